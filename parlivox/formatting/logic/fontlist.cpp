#include "parlivox/formatting/logic/fontlist.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace fontlist {
namespace {

/// Names that documents from the other desktop use, and the families with
/// the same character widths that stand in for them here.
struct StandIn {
    QString name;
    QStringList compatible;
};

const StandIn standIns[] = {
    {u"Arial"_s, {u"Liberation Sans"_s, u"Arimo"_s}},
    {u"Times New Roman"_s, {u"Liberation Serif"_s, u"Tinos"_s}},
    {u"Courier New"_s, {u"Liberation Mono"_s, u"Cousine"_s}},
};

/// The family without the font system's foundry tag: "Nimbus Sans" of
/// "Nimbus Sans [UKWN]", which it lists when two foundries make one family.
QString withoutFoundry(const QString& family)
{
    const qsizetype open = family.lastIndexOf(u" ["_s);
    return open > 0 && family.endsWith(u']') ? family.first(open).trimmed() : family;
}

} // namespace

QStringList withStandardNames(QStringList installed, const Substitute& substitute)
{
    for (QString& family : installed)
        family = withoutFoundry(family);
    for (const StandIn& standIn : standIns) {
        // A look-alike that is not metric-compatible would reflow the
        // document: such a name is not offered.
        if (standIn.compatible.contains(substitute(standIn.name), Qt::CaseInsensitive))
            installed.append(standIn.name);
    }
    installed.removeDuplicates();
    std::stable_sort(installed.begin(), installed.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return installed;
}

QStringList screenFonts()
{
    return withStandardNames(QFontDatabase::families(),
                             [](const QString& name) { return QFontInfo(QFont(name)).family(); });
}

QStringList sizes()
{
    return {u"8"_s,  u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"20"_s,
            u"22"_s, u"24"_s, u"30"_s, u"34"_s, u"48"_s, u"72"_s};
}

} // namespace fontlist
