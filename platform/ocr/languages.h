#pragma once

#include <QString>
#include <QStringList>

// The languages text recognition can read: Tesseract's data files, one per
// language, in the data folder of the packages (tesseract-ocr-eng, ...).
namespace platform::ocr {

/// The folder of the language data when no other is given: TESSDATA_PREFIX
/// as Tesseract itself honours it, else the folder of the packages.
QString defaultDataPath();

/// Tesseract's name of the language of a voice ("de", "en-GB", "gmw/en-GB",
/// "pt-BR"): "deu", "eng", "por"; empty when it knows none.
QString tesseractLanguage(const QString& voiceLanguage);

/// The languages whose data lies in dataPath ("eng", "deu"), sorted,
/// orientation data ("osd") aside.
QStringList installedLanguages(const QString& dataPath);

/// The package that brings a language's data: "tesseract-ocr-deu".
QString packageOf(const QString& language);

} // namespace platform::ocr
