#include "parlivox/formatting/fontlist.h"

#include <QFontDatabase>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace fontlist {

QStringList screenFonts()
{
    QStringList families = QFontDatabase::families();
    families.removeDuplicates();
    std::stable_sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return families;
}

QStringList sizes()
{
    return {u"8"_s,  u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"20"_s,
            u"22"_s, u"24"_s, u"30"_s, u"34"_s, u"48"_s, u"72"_s};
}

} // namespace fontlist
