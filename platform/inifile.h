#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform {

/// Reads one value from the text of an INI file with the rules of the classic
/// profile reader: section and key names match case-insensitively, white
/// space around names and values is trimmed, a value enclosed in matching
/// quotes loses them, lines starting with ';' are comments, the first section
/// of that name and the first key in it win, and the result is cut to
/// bufferSize - 1 characters and at its first NUL. When the section or the
/// key is missing, defaultValue is cut the same way and returned.
QString readProfileString(QByteArrayView content, QStringView section, QStringView key,
                          const QString& defaultValue, int bufferSize);

/// The bytes of an INI file; empty when it is missing or cannot be read.
QByteArray readProfileFile(const QString& path);

/// GetPrivateProfileString over a file: a file that is missing or cannot be
/// read counts as one without the section, so the default comes back.
QString GetPrivateProfileString(QStringView section, QStringView key, const QString& defaultValue,
                                int bufferSize, const QString& path);

} // namespace platform
