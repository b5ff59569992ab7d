#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <utility>
#include <vector>

namespace speechtext {

/// The time of day in the locale's time format, without a time zone.
QString timeText(QTime time, const QLocale& locale);
/// The date in the locale's short date format.
QString dateText(QDate date, const QLocale& locale);

/// Prepares a document's text for the speech engine, in this order: every
/// "$time$" becomes timeText(time), every "$date$" dateText(date), every
/// MICRO SIGN "Micro", and every carriage return " ;" (a line feed after it
/// stays). Matching is exact; nothing else changes.
QString prepare(QString text, QTime time, QDate date, const QLocale& locale);

/// Where each part of a prepared text came from: offsets in the prepared text
/// map back to positions in the editor, through every replacement prepare
/// makes and through the editor's one-character paragraph breaks, which the
/// source text holds as CR LF.
class TextMap {
public:
    /// The editor positions [first, second) of the prepared text's
    /// [begin, begin + length). A piece inside a replacement maps to the
    /// whole of what it replaced.
    std::pair<qsizetype, qsizetype> toEditor(qsizetype begin, qsizetype length) const;
    /// The prepared text's offset of editor position: where what stood there
    /// begins in it (positions inside a replaced piece give its start).
    qsizetype toSpoken(qsizetype position) const;

private:
    friend struct Mapper;
    /// One replacement: [outPos, outPos + outLen) of a pass's result came
    /// from [srcPos, srcPos + srcLen) of its input.
    struct Edit {
        qsizetype outPos;
        qsizetype outLen;
        qsizetype srcPos;
        qsizetype srcLen;
    };
    static qsizetype back(const std::vector<Edit>& edits, qsizetype offset, bool isEnd);
    static qsizetype forth(const std::vector<Edit>& edits, qsizetype offset);

    std::vector<std::vector<Edit>> m_passes; ///< in the order they were made
    std::vector<qsizetype> m_lineFeeds;      ///< of each CR LF in the source text
    qsizetype m_base = 0;                    ///< the source text's first editor position
};

/// Raised text in the editor ([position, position + length)): a note's
/// reference mark when the document marks it as one, else perhaps one.
struct RaisedText {
    qsizetype position;
    qsizetype length;
    bool noteReference;
};

/// Whether the piece [at, at + length) of text, raised or written in
/// superscript digits, is a note's reference mark rather than a power: short
/// digits or note signs ("1", "12", "1,2", "*", "†") after punctuation or
/// after a word of three letters or more ("1813.¹", "daughters²"; not
/// "10²", "km²").
bool looksLikeNoteMark(QStringView text, qsizetype at, qsizetype length);

/// A prepared text and its map to the editor.
struct PreparedText {
    QString text;
    TextMap map;
};

/// prepare(), with the map back to the editor; base is the editor position
/// of text's first character (the selection's start for a selection).
/// First, notes' reference marks are not read: each becomes a space, so that
/// it never joins the word or number before it ("1813.¹" is not "1813.1").
/// They are the raised pieces marked as note references, and the raised
/// pieces and runs of superscript digits that looksLikeNoteMark.
PreparedText prepareMapped(QString text, QTime time, QDate date, const QLocale& locale,
                           qsizetype base, const std::vector<RaisedText>& raised = {});

} // namespace speechtext
