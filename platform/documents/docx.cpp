// Word documents (.docx): the main part in reading order, with its styles,
// lists, tables and notes. Headers, footers, comments, deleted text and
// pictures are left out.
#include "platform/documentlimits.h"
#include "platform/documents/builder.h"
#include "platform/documents/docxstyles.h"
#include "platform/documents/errors.h"
#include "platform/documents/readers.h"
#include "platform/documents/tablereader.h"
#include "platform/documents/xml.h"
#include "platform/documents/ziparchive.h"

#include <QHash>

#include <map>

namespace platform::documents {
namespace {

using docx::Numbering;
using docx::ParaProps;
using docx::Styles;

struct Relationship {
    QString type;
    QString target; ///< the part's name in the archive
};

/// Reads a relationships part; targets are resolved against folder.
QHash<QString, Relationship> readRelationships(const QByteArray& data, const QString& folder)
{
    QHash<QString, Relationship> relationships;
    XmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.readNext() != XmlReader::StartElement || xml.name() != u"Relationship")
            continue;
        if (attribute(xml, u"TargetMode") == u"External")
            continue; // nothing outside the file is ever read
        QString target = attribute(xml, u"Target").toString();
        if (target.startsWith(u'/'))
            target = target.mid(1);
        else
            target = folder + target;
        const QString type = attribute(xml, u"Type").toString();
        relationships.insert(attribute(xml, u"Id").toString(),
                             {type.mid(type.lastIndexOf(u'/') + 1), target});
    }
    return relationships;
}

QString targetOfType(const QHash<QString, Relationship>& relationships, QStringView type)
{
    for (const Relationship& r : relationships) {
        if (r.type == type)
            return r.target;
    }
    return {};
}

/// The notes referred to from the text, numbered in the order of reference.
struct NoteNumbers {
    std::map<QString, int> footnotes;
    std::map<QString, int> endnotes;
};

class BodyReader {
public:
    BodyReader(XmlReader& xml, DocumentBuilder& out, const Styles& styles, Numbering& numbering,
               NoteNumbers& notes)
        : m_xml(xml), m_out(out), m_styles(styles), m_numbering(numbering), m_notes(notes),
          m_normalPoints(styles.normalPoints())
    {
    }

    /// Reads block content (paragraphs, tables) up to the end of the open element.
    void blocks();
    /// The number the note being read shows (its <w:footnoteRef/>).
    void setNoteNumber(int number) { m_noteNumber = number; }
    /// Called for an embedded web page (<w:altChunk r:id>).
    std::function<void(const QString&)> altChunk;
    /// Tells the progress window how far through the part each paragraph is.
    bool reportsProgress = false;

private:
    using Level = Nesting;

    /// A run's own properties.
    struct Run {
        TextStyle style;
        QString characterStyle; ///< <w:rStyle>
    };
    struct Paragraph {
        ParaProps props;
        TextStyle base; ///< run properties of the paragraph's style
        bool begun = false;
        bool heading = false;
        int headingLevel = 0;
    };

    void paragraph();
    void begin(Paragraph& p);
    void inlines(Paragraph& p);
    void inlineElement(Paragraph& p);
    void run(Paragraph& p);
    void table();
    void textBoxes();
    void put(Paragraph& p, const Run& direct, const QString& text);
    /// A note's reference mark, raised and kept apart from the word before it.
    void putNoteReference(Paragraph& p, const Run& direct, const QString& mark);
    /// The rest of the open element as one paragraph of plain text.
    void flatParagraph();
    /// The run's format; none when the run is hidden.
    std::optional<QTextCharFormat> runFormat(const Paragraph& p, const Run& direct) const;
    QString noteMark(const QString& id, bool endnote);

    XmlReader& m_xml;
    DocumentBuilder& m_out;
    const Styles& m_styles;
    Numbering& m_numbering;
    NoteNumbers& m_notes;
    double m_normalPoints;
    int m_noteNumber = 0;
    int m_fieldDepth = 0; ///< inside a field's instructions
    int m_depth = 0;      ///< the nesting being read
};

void BodyReader::flatParagraph()
{
    const QString text = flatText(m_xml, u"t", u"p").simplified();
    m_out.beginParagraph();
    m_out.addText(text, QTextCharFormat());
    m_out.endParagraph();
}

void BodyReader::blocks()
{
    const Level level(m_depth);
    if (level.tooDeep())
        return flatParagraph();
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"p") {
            paragraph();
        } else if (name == u"tbl") {
            table();
        } else if (name == u"sdt" || name == u"sdtContent" || name == u"customXml" ||
                   name == u"ins" || name == u"moveTo" || name == u"txbxContent") {
            blocks();
        } else if (name == u"altChunk") {
            const QString id = attribute(m_xml, u"id").toString();
            m_xml.skipCurrentElement();
            if (altChunk)
                altChunk(id);
        } else {
            m_xml.skipCurrentElement(); // deletions, section properties, bookmarks
        }
    }
}

void BodyReader::paragraph()
{
    if (reportsProgress)
        m_out.report(m_xml.share());
    Paragraph p;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"pPr" && !p.begun)
            p.props.read(m_xml);
        else
            inlineElement(p);
    }
    if (!p.begun && p.props.markRemoved)
        return;
    begin(p);
    m_out.endParagraph();
}

void BodyReader::begin(Paragraph& p)
{
    if (p.begun)
        return;
    p.begun = true;
    const QString style = p.props.style;
    ParaProps props = m_styles.paragraph(style);
    props.merge(p.props);
    p.props = props;
    p.base = m_styles.paragraphRun(style);
    QTextBlockFormat block;
    if (props.alignment)
        block.setAlignment(*props.alignment);
    std::optional<int> level = m_styles.headingLevel(style);
    if (!level)
        level = props.outlineLevel;
    if (level) {
        p.heading = true;
        p.headingLevel = *level;
        block.setHeadingLevel(std::min(*level + 1, 6));
    }
    QString marker;
    if (props.numId && *props.numId > 0) {
        const int listLevel = props.level.value_or(0);
        marker = m_numbering.nextMarker(*props.numId, listLevel);
        block.setIndent(listLevel + 1);
    }
    m_out.beginParagraph(block);
    if (!marker.isEmpty())
        m_out.addText(QString(marker + u'\t'), runFormat(p, {}).value_or(QTextCharFormat()));
}

void BodyReader::inlines(Paragraph& p)
{
    const Level level(m_depth);
    if (level.tooDeep())
        return put(p, {}, flatText(m_xml, u"t", u"p"));
    while (m_xml.readNextStartElement())
        inlineElement(p);
}

void BodyReader::inlineElement(Paragraph& p)
{
    const auto name = m_xml.name();
    if (name == u"r") {
        run(p);
    } else if (name == u"hyperlink" || name == u"smartTag" || name == u"customXml" ||
               name == u"ins" || name == u"moveTo" || name == u"fldSimple" || name == u"sdt" ||
               name == u"sdtContent" || name == u"dir" || name == u"bdo" || name == u"oMath" ||
               name == u"oMathPara" || name == u"Choice") {
        inlines(p);
    } else if (name == u"AlternateContent") {
        const Level level(m_depth);
        if (level.tooDeep())
            return put(p, {}, flatText(m_xml, u"t", u"p"));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"Choice")
                inlines(p);
            else
                m_xml.skipCurrentElement(); // the fallback repeats the choice
        }
    } else if (name == u"t" && m_xml.namespaceUri().contains(u"math")) {
        put(p, {}, m_xml.readElementText());
    } else if (name == u"del" || name == u"moveFrom" || name == u"sdtPr") {
        m_xml.skipCurrentElement(); // tracked deletions are not the text
    } else if (m_xml.namespaceUri().contains(u"math")) {
        inlines(p); // math keeps its letters
    } else {
        m_xml.skipCurrentElement(); // bookmarks, comment marks, proofing marks
    }
}

void BodyReader::run(Paragraph& p)
{
    Run direct;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"rPr") {
            docx::readRunProperties(m_xml, direct.style, &direct.characterStyle);
            continue;
        }
        if (name == u"t") {
            const QString text = m_xml.readElementText();
            if (m_fieldDepth == 0)
                put(p, direct, text);
            continue;
        }
        if (name == u"fldChar") {
            const QStringView type = attribute(m_xml, u"fldCharType");
            if (type == u"begin")
                ++m_fieldDepth;
            else if ((type == u"separate" || type == u"end") && m_fieldDepth > 0)
                --m_fieldDepth; // the field's shown result follows "separate"
        } else if (name == u"tab" || name == u"ptab") {
            put(p, direct, QStringLiteral("\t"));
        } else if (name == u"br" || name == u"cr") {
            put(p, direct, QString(QChar(0x2028)));
        } else if (name == u"noBreakHyphen") {
            put(p, direct, QString(QChar(0x2011)));
        } else if (name == u"softHyphen") {
            put(p, direct, QString(QChar(0x00AD)));
        } else if (name == u"sym") {
            bool ok = false;
            const uint code = attribute(m_xml, u"char").toUInt(&ok, 16);
            // Symbol-font characters sit in the private use area.
            if (ok && code >= 0x20 && !(code >= 0xE000 && code <= 0xF8FF))
                put(p, direct, QString(QChar(char16_t(code))));
        } else if (name == u"footnoteReference" || name == u"endnoteReference") {
            const QString mark =
                noteMark(attribute(m_xml, u"id").toString(), name == u"endnoteReference");
            putNoteReference(p, direct, mark);
        } else if (name == u"footnoteRef" || name == u"endnoteRef") {
            putNoteReference(p, direct, QString::number(m_noteNumber));
        } else if (name == u"drawing" || name == u"pict" || name == u"object" ||
                   name == u"AlternateContent") {
            textBoxes(); // pictures are left out; the text of text boxes is not
            continue;
        }
        m_xml.skipCurrentElement(); // deleted text, field codes, page marks
    }
}

QString BodyReader::noteMark(const QString& id, bool endnote)
{
    auto& numbers = endnote ? m_notes.endnotes : m_notes.footnotes;
    const auto [it, added] = numbers.try_emplace(id, int(numbers.size()) + 1);
    return endnote ? docx::listNumber(it->second, u"lowerRoman") : QString::number(it->second);
}

void BodyReader::textBoxes()
{
    const Level level(m_depth);
    if (level.tooDeep())
        return flatParagraph();
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"txbxContent")
            blocks();
        else if (name == u"Fallback")
            m_xml.skipCurrentElement(); // the same text box again, for older readers
        else
            textBoxes();
    }
}

std::optional<QTextCharFormat> BodyReader::runFormat(const Paragraph& p, const Run& direct) const
{
    TextStyle props = p.base;
    if (!direct.characterStyle.isEmpty())
        props.merge(m_styles.character(direct.characterStyle));
    props.merge(direct.style);
    if (props.hidden.value_or(false))
        return std::nullopt;
    QTextCharFormat format = props.format();
    if (p.heading) {
        format.setFontWeight(QFont::Bold);
        const double points = props.points.value_or(m_normalPoints);
        format.setFontPointSize(std::max(points, m_normalPoints * headingScale(p.headingLevel)));
    }
    return format;
}

void BodyReader::put(Paragraph& p, const Run& direct, const QString& text)
{
    if (text.isEmpty())
        return;
    begin(p);
    if (const auto format = runFormat(p, direct)) // none: hidden text
        m_out.addText(text, *format);
}

void BodyReader::putNoteReference(Paragraph& p, const Run& direct, const QString& mark)
{
    begin(p);
    if (const auto format = runFormat(p, direct))
        m_out.addNoteReference(mark, *format);
}

bool holdsWordCells(QLatin1StringView name)
{
    return name == u"sdt" || name == u"sdtContent" || name == u"customXml";
}

void BodyReader::table()
{
    static const TableShape shape{QLatin1StringView("tr"), QLatin1StringView("tc"), &holdsWordCells,
                                  &holdsWordCells};
    readTable(
        m_xml, m_out, m_depth, shape, [this] { blocks(); }, [this] { flatParagraph(); });
}

/// An encrypted Office document is an OLE compound file holding the
/// encrypted package; rights management adds its own transform.
void refuseCompoundFile(const QByteArray& data, const QString& fileName)
{
    const auto utf16 = [](const char* text) {
        return QByteArray(reinterpret_cast<const char*>(QString::fromLatin1(text).utf16()),
                          qsizetype(std::strlen(text)) * 2);
    };
    if (data.contains(utf16("DRMEncrypted")) || (data.contains(utf16("\x06"
                                                                     "DataSpaces")) &&
                                                 data.contains(utf16("DRM"))))
        throw drmProtected(fileName, kindDocx());
    if (data.contains(utf16("EncryptedPackage")))
        throw passwordProtected(fileName, kindDocx());
    throw notThisFormat(fileName, kindDocx());
}

void readNotes(ZipArchive& zip, const QString& part, const std::map<QString, int>& numbers,
               bool endnotes, DocumentBuilder& out, const Styles& styles, Numbering& numbering,
               NoteNumbers& notes)
{
    if (numbers.empty() || part.isEmpty())
        return;
    const QByteArray data = zip.readIfPresent(part, true);
    XmlReader xml(data);
    BodyReader reader(xml, out, styles, numbering, notes);
    const QStringView element = endnotes ? u"endnote" : u"footnote";
    while (!xml.atEnd()) {
        if (xml.readNext() != XmlReader::StartElement || xml.name() != element)
            continue;
        const auto it = numbers.find(attribute(xml, u"id").toString());
        if (it == numbers.end()) {
            xml.skipCurrentElement(); // separators and notes nobody refers to
            continue;
        }
        reader.setNoteNumber(it->second);
        out.beginNote();
        reader.blocks();
        out.endNote();
    }
    if (xml.hasError())
        zip.damaged(xmlProblem(xml, part));
}

} // namespace

void readDocx(const QByteArray& data, const QString& fileName, DocumentBuilder& out)
{
    if (data.startsWith("\xD0\xCF\x11\xE0"))
        refuseCompoundFile(data, fileName);
    ZipArchive zip(data, fileName, kindDocx());
    QString main = targetOfType(
        readRelationships(zip.readIfPresent(QStringLiteral("_rels/.rels"), true), QString()),
        u"officeDocument");
    if (main.isEmpty() || !zip.contains(main, true))
        main = QStringLiteral("word/document.xml");
    if (!zip.contains(main, true))
        throw notThisFormat(fileName, kindDocx());
    const QString folder = main.left(main.lastIndexOf(u'/') + 1);
    const QString relsName =
        folder + QStringLiteral("_rels/") + main.mid(folder.size()) + QStringLiteral(".rels");
    const auto relationships = readRelationships(zip.readIfPresent(relsName, true), folder);

    Styles styles;
    if (const QString part = targetOfType(relationships, u"styles"); !part.isEmpty())
        styles.read(zip.readIfPresent(part, true));
    Numbering numbering;
    if (const QString part = targetOfType(relationships, u"numbering"); !part.isEmpty())
        numbering.read(zip.readIfPresent(part, true));

    NoteNumbers notes;
    const QByteArray document = zip.read(main, true);
    XmlReader xml(document);
    BodyReader body(xml, out, styles, numbering, notes);
    body.reportsProgress = true;
    body.altChunk = [&](const QString& id) {
        const auto it = relationships.constFind(id);
        if (it == relationships.constEnd() || !zip.contains(it->target, true))
            return;
        if (!it->target.endsWith(u".htm", Qt::CaseInsensitive) &&
            !it->target.endsWith(u".html", Qt::CaseInsensitive))
            return;
        const QByteArray chunk = zip.read(it->target, true);
        if (chunk.size() > maxMarkupBytes)
            refuseLargeMarkup(fileName, kindDocx());
        readHtmlText(decodeHtml(chunk), out);
    };
    while (!xml.atEnd()) {
        if (xml.readNext() == XmlReader::StartElement && xml.name() == u"body")
            body.blocks();
    }
    if (xml.hasError())
        zip.damaged(xmlProblem(xml, main));

    readNotes(zip, targetOfType(relationships, u"footnotes"), notes.footnotes, false, out, styles,
              numbering, notes);
    readNotes(zip, targetOfType(relationships, u"endnotes"), notes.endnotes, true, out, styles,
              numbering, notes);
}

} // namespace platform::documents
