#include "parlivox/speech/logic/raisedtext.h"

#include "platform/richtext/textproperties.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace speechtext {

std::vector<RaisedText> raisedText(const QTextDocument& document, qsizetype from, qsizetype to)
{
    std::vector<RaisedText> raised;
    // Most documents raise nothing: their few formats tell at once.
    const QList<QTextFormat> formats = document.allFormats();
    const bool anyRaised = std::any_of(formats.begin(), formats.end(), [](const QTextFormat& f) {
        return f.isCharFormat() &&
               (f.boolProperty(platform::NoteReferenceProperty) ||
                f.toCharFormat().verticalAlignment() == QTextCharFormat::AlignSuperScript);
    });
    if (!anyRaised)
        return raised;
    const auto first = static_cast<int>(from);
    for (QTextBlock block = document.findBlock(first); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const bool reference = format.boolProperty(platform::NoteReferenceProperty);
            if (!reference && format.verticalAlignment() != QTextCharFormat::AlignSuperScript)
                continue;
            const qsizetype begin = std::max<qsizetype>(fragment.position(), from);
            const qsizetype end = std::min<qsizetype>(fragment.position() + fragment.length(), to);
            if (begin >= end)
                continue;
            // Pieces side by side in two formats are one mark ("1" and ",2").
            if (!raised.empty() && raised.back().position + raised.back().length == begin) {
                raised.back().length += end - begin;
                raised.back().noteReference = raised.back().noteReference || reference;
            } else {
                raised.push_back({begin, end - begin, reference});
            }
        }
    }
    return raised;
}

} // namespace speechtext
