#pragma once

#include <QString>
#include <QStringList>

/// The contents of the toolbar's font lists.
namespace fontlist {

/// The font and size a new document starts with.
inline const QString defaultFontName = QStringLiteral("Arial");
inline constexpr int defaultSizeIndex = 1;
inline constexpr double defaultFontSize = 10;

/// The screen's font families, alphabetical ignoring case.
QStringList screenFonts();
/// The size list, in its order; "10" (index 1) is the default.
QStringList sizes();

} // namespace fontlist
