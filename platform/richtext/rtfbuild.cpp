// Turns the reader's paragraphs and runs into a QTextDocument. The document
// is built detached from any editor, where inserting costs no layout.
#include "platform/richtext/rtfreader.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace platform {
namespace {

QTextCharFormat charFormat(const RtfRunStyle& style, const QStringList& fonts)
{
    QTextCharFormat format;
    if (style.font >= 0 && style.font < fonts.size())
        format.setFontFamilies(QStringList{fonts[style.font]});
    format.setFontPointSize(style.halfPoints / 2.0);
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setFontUnderline(style.underline);
    if (style.strike)
        format.setFontStrikeOut(true);
    if (style.vertical > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (style.vertical < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (style.hasColor)
        format.setForeground(QColor::fromRgb(style.color));
    return format;
}

QTextBlockFormat blockFormat(int alignment)
{
    QTextBlockFormat format;
    switch (alignment) {
    case 1:
        format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case 2:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
    return format;
}

} // namespace

std::unique_ptr<QTextDocument> buildDocument(const RtfContent& content, const QFont& defaultFont)
{
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(defaultFont);

    std::vector<QTextCharFormat> formats;
    formats.reserve(content.styles.size());
    for (const RtfRunStyle& style : content.styles)
        formats.push_back(charFormat(style, content.fonts));
    const QTextBlockFormat blocks[4] = {blockFormat(0), blockFormat(1), blockFormat(2),
                                        blockFormat(3)};
    const auto styleFormat = [&](int style) -> const QTextCharFormat& {
        static const QTextCharFormat none;
        return style >= 0 && std::size_t(style) < formats.size() ? formats[style] : none;
    };

    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    const QString& text = content.text;
    const auto& runs = content.runs;
    std::size_t run = 0;
    bool first = true;
    for (const RtfParagraph& para : content.paragraphs) {
        const QTextBlockFormat& block = blocks[para.alignment & 3];
        const QTextCharFormat& mark = styleFormat(para.markStyle);
        if (first) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(mark);
            first = false;
        } else {
            cursor.insertBlock(block, mark);
        }
        qsizetype pos = para.start;
        while (pos < para.end) {
            while (run + 1 < runs.size() && runs[run + 1].start <= pos)
                ++run;
            qsizetype runEnd = run + 1 < runs.size() ? runs[run + 1].start : text.size();
            runEnd = std::min(runEnd, para.end);
            const int style = run < runs.size() ? runs[run].style : 0;
            cursor.insertText(QString(text.constData() + pos, runEnd - pos), styleFormat(style));
            pos = runEnd;
        }
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    return document;
}

} // namespace platform
