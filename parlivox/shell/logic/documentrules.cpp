#include "parlivox/shell/logic/documentrules.h"

#include "parlivox/common/logic/appstate.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

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

std::optional<QString> formatPanelFor(const QString& fileType, platform::DocumentFormat loaded)
{
    if (loaded != platform::DocumentFormat::None)
        return platform::documentFormatName(loaded);
    if (fileType == u"rtf"_s)
        return u"Rich Text Format"_s;
    if (fileType == u"txt"_s)
        return u"Plain Text Format"_s;
    return std::nullopt;
}

bool saveNeedsName(const DocumentState& document)
{
    return !document.blnNamed || document.blnConverted ||
           (document.strFileType != u"rtf"_s && document.strFileType != u"txt"_s);
}

bool sameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat first {};
    struct stat second {};
    const bool firstExists = ::stat(QFile::encodeName(a).constData(), &first) == 0;
    const bool secondExists = ::stat(QFile::encodeName(b).constData(), &second) == 0;
    if (firstExists || secondExists)
        return firstExists && secondExists && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

const QStringList& readOnlyExtensions()
{
    static const QStringList extensions = {
        u"docx"_s, u"odt"_s,  u"epub"_s, u"html"_s, u"htm"_s,  u"pdf"_s, u"png"_s,
        u"jpg"_s,  u"jpeg"_s, u"tif"_s,  u"tiff"_s, u"webp"_s, u"bmp"_s,
    };
    return extensions;
}

bool isReadOnlyFormatName(const QString& path)
{
    return readOnlyExtensions().contains(QFileInfo(path).suffix().toLower());
}

platform::Error readOnlyFormatRefusal(const QString& path)
{
    return platform::Error(platform::err::BadFileFormat,
                           u"Parlivox saves Rich Text (.rtf) or plain text (.txt), not ."_s +
                               QFileInfo(path).suffix() + u": "_s + path);
}

QString proposedSaveName(const QString& path, const QString& extension)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return base + u'.' + extension;
}

} // namespace documentrules
