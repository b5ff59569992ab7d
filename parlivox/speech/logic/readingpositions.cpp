#include "parlivox/speech/logic/readingpositions.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

/// The store names the files a user reads: only the user may read it.
constexpr mode_t privateFile = 0600;
/// Longer paths are not paths this system makes.
constexpr qsizetype maxPathLength = 4096;

struct Entry {
    QString path;
    qint64 size = 0;
    qint64 modified = 0; ///< milliseconds since 1970, UTC
    qint64 place = 0;
};

/// A file is known by its absolute path; a link by what it points to.
QString keyOf(const QString& file)
{
    const QFileInfo info(file);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

/// The file's size and time of change now; nothing when it is not a file.
std::optional<Entry> stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    return Entry{path, info.size(), info.lastModified().toMSecsSinceEpoch(), 0};
}

std::optional<qint64> wholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // Beyond 2^53 a double no longer holds every whole number.
    if (number < 0 || number > 9007199254740992.0 ||
        number != static_cast<double>(value.toInteger()))
        return std::nullopt;
    return value.toInteger();
}

/// The entries of the store, most recent first; none when it is missing,
/// too big or not what this program writes. A damaged entry is left out.
std::vector<Entry> readStore(const QString& storePath)
{
    QFile file(storePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ReadingPositions::maxStoreBytes)
        return {};
    const QByteArray data = file.read(ReadingPositions::maxStoreBytes + 1);
    if (data.size() > ReadingPositions::maxStoreBytes)
        return {};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    const QJsonValue files = document.object().value(u"files"_s);
    if (!files.isArray())
        return {};
    std::vector<Entry> entries;
    for (const QJsonValue& value : files.toArray()) {
        if (entries.size() >= static_cast<std::size_t>(ReadingPositions::maxFiles))
            break;
        const QJsonObject object = value.toObject();
        const QString path = object.value(u"path"_s).toString();
        const auto size = wholeNumber(object.value(u"size"_s));
        const auto modified = wholeNumber(object.value(u"modified"_s));
        const auto place = wholeNumber(object.value(u"place"_s));
        if (path.isEmpty() || path.size() > maxPathLength || !size || !modified || !place)
            continue;
        entries.push_back({path, *size, *modified, *place});
    }
    return entries;
}

void writeStore(const QString& storePath, const std::vector<Entry>& entries)
{
    const QString folder = QFileInfo(storePath).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            throw platform::Error(platform::err::PathNotFound, u"Path not found"_s);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QJsonArray files;
    for (const Entry& entry : entries) {
        files.append(QJsonObject{{u"path"_s, entry.path},
                                 {u"size"_s, entry.size},
                                 {u"modified"_s, entry.modified},
                                 {u"place"_s, entry.place}});
    }
    const QByteArray data =
        QJsonDocument(QJsonObject{{u"version"_s, 1}, {u"files"_s, files}}).toJson();
    platform::AtomicFile file(storePath, privateFile);
    if (!file.write(data.constData(), static_cast<std::size_t>(data.size())))
        throw file.error();
    file.commit();
}

} // namespace

std::optional<qint64> ReadingPositions::find(const QString& file) const
{
    const std::optional<Entry> now = stampOf(file);
    if (!now)
        return std::nullopt;
    const QString key = keyOf(file);
    for (const Entry& entry : readStore(m_storePath)) {
        if (entry.path == key)
            return entry.size == now->size && entry.modified == now->modified
                       ? std::optional(entry.place)
                       : std::nullopt;
    }
    return std::nullopt;
}

void ReadingPositions::remember(const QString& file, qint64 place)
{
    std::optional<Entry> now = stampOf(file);
    if (!now)
        throw platform::Error(platform::err::FileNotFound, u"File not found"_s);
    now->path = keyOf(file);
    now->place = std::max<qint64>(place, 0);
    std::vector<Entry> entries = readStore(m_storePath);
    std::erase_if(entries, [&](const Entry& entry) { return entry.path == now->path; });
    entries.insert(entries.begin(), *now);
    if (entries.size() > static_cast<std::size_t>(maxFiles))
        entries.resize(static_cast<std::size_t>(maxFiles));
    writeStore(m_storePath, entries);
}

void ReadingPositions::forget(const QString& file)
{
    std::vector<Entry> entries = readStore(m_storePath);
    const QString key = keyOf(file);
    if (std::erase_if(entries, [&](const Entry& entry) { return entry.path == key; }) > 0)
        writeStore(m_storePath, entries);
}
