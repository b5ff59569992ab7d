#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QTextDocument;

namespace platform {

/// What the reader met and recovered from; a well-formed file leaves it clean.
struct RtfReport {
    bool missingHeader = false; ///< the data did not start with "{\rtf"
    bool truncated = false;     ///< groups were still open at the end
    bool trailingData = false;  ///< data followed the closed document
    bool depthLimited = false;  ///< groups nested deeper than the reader follows
    bool tooLarge = false;      ///< the text went past platform::limits: reading stopped there
    int strayCloseBraces = 0;   ///< "}" closing the document before its end
    int invalidHex = 0;         ///< "\'" not followed by two hex digits
    int unpairedSurrogates = 0; ///< \u halves of UTF-16 pairs left alone
    bool clean() const
    {
        return !missingHeader && !truncated && !trailingData && !depthLimited && !tooLarge &&
               strayCloseBraces == 0 && invalidHex == 0 && unpairedSurrogates == 0;
    }
};

/// The character formatting of a run of text, resolved to values.
struct RtfRunStyle {
    int font = -1;       ///< index into RtfContent::fonts; -1 the default font
    int halfPoints = 24; ///< size in half points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0; ///< 1 superscript, -1 subscript
    QRgb color = 0;
    bool hasColor = false; ///< false: the automatic (default) colour
    bool operator==(const RtfRunStyle&) const = default;
};

/// One paragraph of text [start, end) of RtfContent::text.
struct RtfParagraph {
    qsizetype start = 0;
    qsizetype end = 0;
    std::int8_t alignment = 0; ///< 0 left, 1 right, 2 centre, 3 justified
    int markStyle = 0;         ///< style of the paragraph mark (an empty line's size)
};

/// A run of text in one style, from start up to the next run's start.
struct RtfRun {
    qsizetype start = 0;
    int style = 0;
};

/// A document read from RTF, before it becomes a QTextDocument.
struct RtfContent {
    QString text; ///< the text of all paragraphs, without separators
    std::vector<RtfParagraph> paragraphs;
    std::vector<RtfRun> runs;
    std::vector<RtfRunStyle> styles;
    QStringList fonts;
    RtfReport report;
};

/// Reads RTF bytes into paragraphs and runs. Never throws; malformed input
/// gives as much text as can be recovered, with the problems in the report.
RtfContent parseRtf(QByteArrayView data) noexcept;

/// Builds a detached document; defaultFont supplies what a run does not set.
std::unique_ptr<QTextDocument> buildDocument(const RtfContent& content, const QFont& defaultFont);

/// True when data holds RTF: "{\rtf" after optional white space or BOM.
bool looksLikeRtf(QByteArrayView data);

} // namespace platform
