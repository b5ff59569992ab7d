#pragma once

#include <QString>
#include <QStringList>

#include <functional>

/// The contents of the toolbar's font lists.
namespace fontlist {

/// The font and size a new document starts with.
inline const QString defaultFontName = QStringLiteral("Arial");
inline constexpr int defaultSizeIndex = 1;
inline constexpr double defaultFontSize = 10;

/// The family the font system shows for a requested name.
using Substitute = std::function<QString(const QString& name)>;

/// The families offered, alphabetical ignoring case: every installed family
/// once, without the foundry tag that tells apart the makers of one family,
/// and "Arial", "Times New Roman" and "Courier New" where the font system
/// shows them in a metric-compatible family (Liberation Sans, Serif, Mono),
/// so that documents keep the names they were written with.
QStringList withStandardNames(QStringList installed, const Substitute& substitute);
/// The screen's fonts, as above.
QStringList screenFonts();
/// The size list, in its order; "10" (index 1) is the default.
QStringList sizes();

} // namespace fontlist
