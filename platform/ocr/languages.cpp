// Which language recognition reads in, and what is installed to read with.
#include "platform/ocr/languages.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;

namespace platform::ocr {

QString defaultDataPath()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return prefix;
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

QString tesseractLanguage(const QString& voiceLanguage)
{
    // The languages of the voices, by their two-letter names, as Tesseract
    // names their data.
    static const QHash<QString, QString> names = {
        {u"af"_s, u"afr"_s}, {u"ar"_s, u"ara"_s}, {u"bg"_s, u"bul"_s},     {u"bn"_s, u"ben"_s},
        {u"ca"_s, u"cat"_s}, {u"cs"_s, u"ces"_s}, {u"cy"_s, u"cym"_s},     {u"da"_s, u"dan"_s},
        {u"de"_s, u"deu"_s}, {u"el"_s, u"ell"_s}, {u"en"_s, u"eng"_s},     {u"eo"_s, u"epo"_s},
        {u"es"_s, u"spa"_s}, {u"et"_s, u"est"_s}, {u"eu"_s, u"eus"_s},     {u"fa"_s, u"fas"_s},
        {u"fi"_s, u"fin"_s}, {u"fr"_s, u"fra"_s}, {u"ga"_s, u"gle"_s},     {u"he"_s, u"heb"_s},
        {u"hi"_s, u"hin"_s}, {u"hr"_s, u"hrv"_s}, {u"hu"_s, u"hun"_s},     {u"hy"_s, u"hye"_s},
        {u"id"_s, u"ind"_s}, {u"is"_s, u"isl"_s}, {u"it"_s, u"ita"_s},     {u"ja"_s, u"jpn"_s},
        {u"ka"_s, u"kat"_s}, {u"ko"_s, u"kor"_s}, {u"la"_s, u"lat"_s},     {u"lt"_s, u"lit"_s},
        {u"lv"_s, u"lav"_s}, {u"mk"_s, u"mkd"_s}, {u"ms"_s, u"msa"_s},     {u"mt"_s, u"mlt"_s},
        {u"nb"_s, u"nor"_s}, {u"nl"_s, u"nld"_s}, {u"no"_s, u"nor"_s},     {u"pl"_s, u"pol"_s},
        {u"pt"_s, u"por"_s}, {u"ro"_s, u"ron"_s}, {u"ru"_s, u"rus"_s},     {u"sk"_s, u"slk"_s},
        {u"sl"_s, u"slv"_s}, {u"sq"_s, u"sqi"_s}, {u"sr"_s, u"srp"_s},     {u"sv"_s, u"swe"_s},
        {u"sw"_s, u"swa"_s}, {u"ta"_s, u"tam"_s}, {u"th"_s, u"tha"_s},     {u"tr"_s, u"tur"_s},
        {u"uk"_s, u"ukr"_s}, {u"vi"_s, u"vie"_s}, {u"zh"_s, u"chi_sim"_s},
    };
    QString code = voiceLanguage.section(u'/', -1).toLower();
    code = code.section(u'-', 0, 0).section(u'_', 0, 0);
    return names.value(code);
}

QStringList installedLanguages(const QString& dataPath)
{
    QStringList languages;
    const QFileInfoList files =
        QDir(dataPath).entryInfoList({u"*.traineddata"_s}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.completeBaseName() != u"osd")
            languages.push_back(file.completeBaseName());
    }
    return languages;
}

QString packageOf(const QString& language)
{
    return u"tesseract-ocr-"_s + QString(language).replace(u'_', u'-').toLower();
}

} // namespace platform::ocr
