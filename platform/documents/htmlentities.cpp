#include "platform/documents/htmlentities.h"

#include "platform/codepage.h"
#include "platform/documents/htmlentitytable.h"

#include <QString>

#include <algorithm>

namespace platform::documents {
namespace {

/// The longest legacy name that begins name (at most six letters long).
const NamedReference* legacyPrefix(QStringView name)
{
    for (qsizetype length = std::min<qsizetype>(name.size(), 6); length >= 2; --length) {
        const NamedReference* found = namedReference(name.first(length));
        if (found && found->legacy)
            return found;
    }
    return nullptr;
}

} // namespace

const NamedReference* namedReference(QStringView name)
{
    const NamedReference* end = namedReferences + namedReferenceCount;
    // Byte order: the names are ASCII, so UTF-16 units compare alike.
    const auto less = [](const NamedReference& r, QStringView n) {
        return QLatin1StringView(r.name) < n;
    };
    const NamedReference* it = std::lower_bound(namedReferences, end, name, less);
    return it != end && QLatin1StringView(it->name) == name ? it : nullptr;
}

QString decodeEntities(QStringView text, bool inAttribute)
{
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && end - i <= 32 &&
               (text[end].isLetterOrNumber() || text[end] == u'#'))
            ++end;
        const QStringView name = text.sliced(i + 1, end - i - 1);
        const bool terminated = end < text.size() && text[end] == u';';
        char32_t code = 0;
        if (name.startsWith(u'#') && name.size() > 1) {
            bool ok = false;
            const bool hex = name[1] == u'x' || name[1] == u'X';
            const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            code = !ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)
                       ? 0xFFFD
                       : value;
            if (code >= 0x80 && code <= 0x9F) { // the Windows-1252 habit of old pages
                const char byte = char(code);
                code = decodeWindows1252(&byte, 1).front().unicode();
            }
            out += QString::fromUcs4(&code, 1);
            i = terminated ? end + 1 : end;
            continue;
        }
        const NamedReference* found = terminated ? namedReference(name) : nullptr;
        qsizetype used = terminated ? name.size() + 1 : 0;
        if (!found) {
            found = legacyPrefix(name);
            used = found ? qsizetype(qstrlen(found->name)) : 0;
            const QChar next = i + 1 + used < text.size() ? text[i + 1 + used] : QChar();
            if (found && inAttribute && (next.isLetterOrNumber() || next == u'='))
                found = nullptr; // a query string's "&copy=2" stays as written
        }
        if (!found) {
            out += c;
            ++i;
            continue;
        }
        out += QString::fromUcs4(found->codes, found->codes[1] ? 2 : 1);
        i += 1 + used;
    }
    return out;
}

} // namespace platform::documents
