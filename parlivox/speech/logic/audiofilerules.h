#pragma once

#include "platform/audiofile/audioformat.h"

#include <QString>

#include <optional>

/// The rules of "Convert to Audio File", without a window.
namespace audiofilerules {

/// The save dialog's filter: the five formats, MP3 first.
QString filter();
/// The format of a 1-based filter pair; MP3 for any other index.
platform::AudioFormat formatOfFilter(int filterIndex);
/// The 1-based filter pair of a format.
int filterOf(platform::AudioFormat format);

/// Where the speech goes and in which format.
struct Target {
    QString path;
    platform::AudioFormat format;
};
/// A chosen name that ends in one of the five extensions gets that format,
/// whatever filter is shown (a file called ".ogg" holds Ogg Vorbis); any
/// other name gets the chosen filter's format and its extension.
Target targetFor(const QString& chosenPath, int filterIndex);

/// The name the save dialog starts with: the document's folder and name with
/// the format's extension, or "Untitled" in folder for a new document.
QString suggestedPath(const QString& documentPath, const QString& folder,
                      platform::AudioFormat format);
/// The file's title tag: the document's name without its extension,
/// "Untitled" for a new document.
QString titleFor(const QString& documentPath);

/// "0:07", "12:30", "1:02:03".
QString durationText(double seconds);
/// The time still to go at this share of the text done, once there is enough
/// behind to tell.
std::optional<double> remainingSeconds(double elapsedSeconds, double shareDone);

} // namespace audiofilerules
