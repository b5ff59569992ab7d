#include "parlivox/speech/logic/voicelist.h"

#include <QCollator>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace voicelist {

QString shownName(const QString& description)
{
    // Names with underscores for spaces are identifiers, not names: the one
    // such voice file names its language "Lang_X".
    if (!description.contains(u'_'))
        return description;
    QString name = QString(description).replace(u'_', u' ').simplified();
    if (name.startsWith(u"Lang "_s) && name.size() > 5)
        name.remove(0, 5);
    return name;
}

std::vector<Entry> entries(const QStringList& descriptions, const QString& languageName)
{
    std::vector<Entry> list;
    for (int i = 0; i < descriptions.size(); ++i) {
        const QString shown = shownName(descriptions[i]);
        const auto same = std::find_if(list.begin(), list.end(),
                                       [&](const Entry& entry) { return entry.shown == shown; });
        if (same != list.end())
            *same = {shown, i, descriptions[i]};
        else
            list.push_back({shown, i, descriptions[i]});
    }
    const auto ownLanguage = [&languageName](const Entry& entry) {
        return !languageName.isEmpty() &&
               (entry.shown == languageName || entry.shown.startsWith(languageName + u" ("_s));
    };
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(), [&](const Entry& a, const Entry& b) {
        const bool aOwn = ownLanguage(a);
        if (aOwn != ownLanguage(b))
            return aOwn;
        return collator.compare(a.shown, b.shown) < 0;
    });
    return list;
}

int find(const std::vector<Entry>& entries, const QString& stored)
{
    for (const auto& matches : {&Entry::shown, &Entry::description}) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].*matches == stored)
                return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace voicelist
