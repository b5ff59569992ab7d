#include "parlivox/shell/documentrules.h"

#include "parlivox/common/appstate.h"

using namespace Qt::StringLiterals;

namespace documentrules {

QString captionFor(const QString& path)
{
    return u"Parlivox - ["_s + path + u"]"_s;
}

QString fileTypeOf(const QString& path)
{
    return path.right(3).toLower();
}

std::optional<QString> formatPanelFor(const QString& fileType)
{
    if (fileType == u"rtf"_s)
        return u"Rich Text Format"_s;
    if (fileType == u"txt"_s)
        return u"Plain Text Format"_s;
    return std::nullopt;
}

bool saveNeedsName(const DocumentState& document)
{
    return !document.blnNamed ||
           (document.strFileType != u"rtf"_s && document.strFileType != u"txt"_s);
}

} // namespace documentrules
