#pragma once

#include <QString>
#include <QtGlobal>

// What one document may hold once it is built, whatever its format. The
// limits keep a small hostile file from building a document that takes the
// machine's memory (each paragraph costs the editor about 120 bytes before
// it is laid out, each character two), and they lie far above real
// documents: the longest novels hold about 3 million characters in 20,000
// paragraphs. A refused file leaves the open document as it was.
namespace platform::limits {

/// Characters of text, table cells' tabs and list markers included.
inline constexpr qsizetype maxCharacters = 64'000'000;
/// Paragraphs, table rows and rules; a plain-text file's lines.
inline constexpr qsizetype maxParagraphs = 1'000'000;
/// Cells of all the tables together.
inline constexpr qsizetype maxTableCells = 4'000'000;
/// Elements nested deeper than this (spans in spans, tables in tables) are
/// read as flat text in the element at this depth: real documents stay
/// below 30 levels, and each level costs the reader stack and time.
inline constexpr int maxDepth = 256;
/// A list item's marker ("iv.", "1.2.3.", a bullet) is cut to this length.
inline constexpr qsizetype maxMarker = 40;
/// List numbers are kept between -maxListNumber and maxListNumber.
inline constexpr int maxListNumber = 1'000'000;

/// "64 million characters", "10000 pages".
inline QString amount(qsizetype limit, const QString& what)
{
    if (limit % 1'000'000 == 0)
        return QStringLiteral("%1 million %2").arg(limit / 1'000'000).arg(what);
    return QStringLiteral("%1 %2").arg(limit).arg(what);
}

/// "more than 64 million characters".
inline QString moreThan(qsizetype limit, const QString& what)
{
    return QStringLiteral("more than ") + amount(limit, what);
}

} // namespace platform::limits
