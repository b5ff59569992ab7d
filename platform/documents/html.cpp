// Web pages and the chapters of books: a forgiving tokenizer, as browsers
// read broken markup, mapped onto paragraphs and runs. Scripts never run;
// nothing the page refers to (pictures, style sheets, frames) is loaded.
#include "platform/documentlimits.h"
#include "platform/documents/builder.h"
#include "platform/documents/css.h"
#include "platform/documents/docxstyles.h"
#include "platform/documents/errors.h"
#include "platform/documents/htmlentities.h"
#include "platform/documents/readers.h"
#include "platform/textdecode.h"

#include <QFont>
#include <QHash>

#include <vector>

namespace platform::documents {
namespace {

using namespace Qt::StringLiterals;

constexpr double normalPoints = 12; // browsers' 16 pixels

using Attributes = std::vector<std::pair<QString, QString>>;
constexpr std::size_t maxAttributes = 256;
constexpr std::size_t maxHeadings = 64;    ///< headings kept for the book's title
constexpr qsizetype maxHeadingText = 1000; ///< characters of each
constexpr qsizetype maxNoteMark = 8;       ///< longer text in a note link is not a mark

QString attributeOf(const Attributes& attributes, QStringView name)
{
    for (const auto& [key, value] : attributes) {
        if (key == name)
            return value;
    }
    return {};
}

bool oneOf(QStringView tag, std::initializer_list<const char16_t*> tags)
{
    for (const char16_t* t : tags) {
        if (tag == QStringView(t))
            return true;
    }
    return false;
}

bool isVoid(QStringView tag)
{
    return oneOf(tag, {u"br", u"hr", u"img", u"meta", u"link", u"input", u"area", u"base", u"col",
                       u"embed", u"param", u"source", u"track", u"wbr", u"image"});
}

/// Elements whose content is never shown to a reader.
bool isHidden(QStringView tag)
{
    return oneOf(tag, {u"head", u"script", u"style", u"template", u"iframe", u"object", u"applet",
                       u"svg", u"canvas", u"audio", u"video", u"select", u"datalist", u"noembed",
                       u"noframes", u"title", u"textarea", u"map"});
}

bool isBlock(QStringView tag)
{
    return oneOf(tag,
                 {u"p",       u"div",     u"h1",         u"h2",       u"h3",      u"h4",
                  u"h5",      u"h6",      u"li",         u"ul",       u"ol",      u"dl",
                  u"dt",      u"dd",      u"blockquote", u"pre",      u"address", u"center",
                  u"section", u"article", u"header",     u"footer",   u"nav",     u"aside",
                  u"main",    u"figure",  u"figcaption", u"table",    u"tr",      u"td",
                  u"th",      u"caption", u"form",       u"fieldset", u"legend",  u"details",
                  u"summary", u"body",    u"html",       u"hgroup",   u"menu",    u"dir",
                  u"listing", u"xmp",     u"tbody",      u"thead",    u"tfoot",   u"noscript"});
}

/// Whether an attribute's list of words ("class", "role", "epub:type")
/// holds word.
bool hasWord(const Attributes& attributes, QStringView name, QStringView word)
{
    const QString value = attributeOf(attributes, name);
    for (const QStringView part : QStringView(value).split(u' ', Qt::SkipEmptyParts)) {
        if (part.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

/// A link to a note, as writers of books and pages mark it.
bool isNoteReference(const Attributes& attributes)
{
    return hasWord(attributes, u"epub:type", u"noteref") ||
           hasWord(attributes, u"role", u"doc-noteref") ||
           hasWord(attributes, u"class", u"footnote-ref");
}

/// Raw-text elements: their content is not markup and ends only at their end tag.
bool isRawText(QStringView tag)
{
    return oneOf(tag,
                 {u"script", u"style", u"title", u"textarea", u"xmp", u"noembed", u"noframes"});
}

enum class HtmlScope { Page, Main, Articles };

/// Whether a start tag's attributes give it the role ("main", "article").
bool tagHasRole(QStringView attributes, QStringView role)
{
    for (qsizetype at = attributes.indexOf(u"role", 0, Qt::CaseInsensitive); at >= 0;
         at = attributes.indexOf(u"role", at + 4, Qt::CaseInsensitive)) {
        // Only the start is trimmed: the rest may be long.
        const auto skipSpace = [](QStringView text) {
            qsizetype i = 0;
            while (i < text.size() && text[i].isSpace())
                ++i;
            return text.sliced(i);
        };
        QStringView rest = skipSpace(attributes.sliced(at + 4));
        if (!rest.startsWith(u'='))
            continue;
        rest = skipSpace(rest.sliced(1));
        if (rest.startsWith(u'"') || rest.startsWith(u'\''))
            rest = rest.sliced(1);
        if (rest.startsWith(role, Qt::CaseInsensitive) &&
            (rest.size() == role.size() || !rest[role.size()].isLetterOrNumber()))
            return true;
    }
    return false;
}

/// What a web page's reader reads: when the page has a main element (or
/// one in the role of main), the first one alone; else, when it has
/// articles, they alone; else the page. Found by a look at the start tags,
/// past comments and raw text.
HtmlScope findScope(QStringView html)
{
    HtmlScope scope = HtmlScope::Page;
    qsizetype at = 0;
    while ((at = html.indexOf(u'<', at)) >= 0) {
        const QStringView rest = html.sliced(at + 1);
        if (rest.startsWith(u"!--")) {
            const qsizetype end = html.indexOf(u"-->", at + 4);
            if (end < 0)
                break;
            at = end + 3;
            continue;
        }
        qsizetype length = 0;
        while (length < rest.size() && length < 8 && rest[length].isLetter())
            ++length;
        const QStringView name = rest.first(length);
        const bool ended = length == rest.size() || !rest[length].isLetterOrNumber();
        at += 1 + length;
        if (!ended || length == 0)
            continue;
        const qsizetype close = html.indexOf(u'>', at);
        const QStringView attributes = html.sliced(at, (close < 0 ? html.size() : close) - at);
        at = close < 0 ? html.size() : close + 1;
        if (name.compare(u"main", Qt::CaseInsensitive) == 0 || tagHasRole(attributes, u"main"))
            return HtmlScope::Main;
        if (name.compare(u"article", Qt::CaseInsensitive) == 0 ||
            tagHasRole(attributes, u"article"))
            scope = HtmlScope::Articles;
        for (const QStringView raw : {QStringView(u"script"), QStringView(u"style")}) {
            if (name.compare(raw, Qt::CaseInsensitive) == 0) {
                const qsizetype end =
                    html.indexOf(QString(u"</" + raw.toString()), at, Qt::CaseInsensitive);
                at = end < 0 ? html.size() : end + 2;
            }
        }
    }
    return scope;
}

/// Reads markup in one pass. Elements nest on a stack of at most
/// limits::maxDepth; deeper ones are counted but not opened (their content
/// joins the element at the limit as flat text), so that every step looks
/// at most that far down and time stays linear in the page.
class HtmlReader {
public:
    /// A web page (webPage) is read as browsers' reader views show it: its
    /// main text without the site's menus, banners, footers and asides.
    HtmlReader(QStringView html, DocumentBuilder& out, const StyleSheet* sheet, bool webPage)
        : m_html(html), m_out(out), m_webPage(webPage)
    {
        if (sheet)
            m_sheet = *sheet;
        if (webPage)
            m_scope = findScope(html);
    }
    /// Tells the progress window how far through the page the reader is.
    bool reportsProgress = false;
    void run();
    /// The headings read, in order (the first few, each cut short).
    const std::vector<QString>& headings() const { return m_headings; }

private:
    struct Open {
        QString tag;
        QTextCharFormat format;
        double points = normalPoints;
        std::optional<Qt::Alignment> alignment;
        int heading = 0;      ///< this element's heading level (h1..h6), else 0
        int blockHeading = 0; ///< the level of the heading it is in, else 0
        bool hidden = false;
        bool scope = false;   ///< the main element or an article that is read
        bool noteRef = false; ///< in a link to a note: its text is the note's mark
    };
    struct List {
        bool ordered = false;
        int counter = 0;
        QChar type = u'1';
    };
    struct Table {
        bool shown = true; ///< else a table not read: its rows and cells make nothing
        bool rowOpen = false;
        bool cellOpen = false;
    };

    void tag(qsizetype& pos);
    void rawText(const QString& name, qsizetype& pos);
    void text(QStringView raw);
    void decodedText(const QString& decoded);
    bool leftOut(const QString& name, const Attributes& attributes) const;
    void openScope(Open& open, const Attributes& attributes);
    void startTag(const QString& name, const Attributes& attributes, bool selfClosing);
    void endTag(const QString& name);
    void implicitCloses(const QString& name);
    bool closeTo(const QString& name, std::initializer_list<const char16_t*> boundaries);
    void push(Open open);
    void popTo(std::size_t index);
    void pop();
    /// An element past the depth limit: counted, so that its end tag ends nothing else.
    void overflow(const QString& name);
    bool endOverflow(const QString& name);
    void closeParagraph();
    void put(const QString& text);
    const Open& top() const { return m_stack.empty() ? m_root : m_stack.back(); }
    bool hidden() const
    {
        return m_hiddenDepth > 0 || (m_scope != HtmlScope::Page && m_scopeDepth == 0);
    }
    QString marker();

    QStringView m_html;
    DocumentBuilder& m_out;
    StyleSheet m_sheet;
    Open m_root;
    std::vector<Open> m_stack;
    QHash<QString, int> m_openCount;      ///< elements on the stack, by name
    QHash<QString, int> m_overflowOpen;   ///< past the depth limit, by name
    QHash<QString, int> m_overflowHidden; ///< the same, of elements that hide their content
    std::vector<List> m_lists;
    std::vector<Table> m_tables;
    int m_hiddenDepth = 0;
    bool m_webPage;
    HtmlScope m_scope = HtmlScope::Page;
    int m_scopeDepth = 0; ///< open elements of the scope read
    bool m_mainRead = false;
    std::vector<QString> m_headings;
    int m_preDepth = 0;
    bool m_paragraphOpen = false;
    bool m_pendingSpace = false;
    int m_pendingBreaks = 0;
    QString m_pendingMarker;
};

void HtmlReader::run()
{
    qsizetype pos = 0;
    const qsizetype size = m_html.size();
    for (int step = 0; pos < size; ++step) {
        if (reportsProgress && step % 4096 == 0)
            m_out.report(double(pos) / double(size));
        const qsizetype lt = m_html.indexOf(u'<', pos);
        if (lt < 0) {
            text(m_html.sliced(pos));
            break;
        }
        if (lt > pos)
            text(m_html.sliced(pos, lt - pos));
        pos = lt;
        tag(pos);
    }
    while (!m_stack.empty())
        pop();
    closeParagraph();
}

/// Reads the markup at pos (a '<') and moves pos past it.
void HtmlReader::tag(qsizetype& pos)
{
    const QStringView rest = m_html.sliced(pos);
    const auto skipPast = [&](QStringView end, qsizetype from) {
        const qsizetype at = m_html.indexOf(end, pos + from);
        pos = at < 0 ? m_html.size() : at + end.size();
    };
    if (rest.startsWith(u"<!--")) {
        skipPast(u"-->", 4);
        return;
    }
    if (rest.startsWith(u"<![CDATA[")) {
        const qsizetype end = m_html.indexOf(u"]]>", pos + 9);
        const qsizetype stop = end < 0 ? m_html.size() : end;
        if (!hidden())
            put(m_html.sliced(pos + 9, stop - pos - 9).toString());
        pos = end < 0 ? m_html.size() : end + 3;
        return;
    }
    if (rest.size() < 2 ||
        !(rest[1].isLetter() || rest[1] == u'/' || rest[1] == u'!' || rest[1] == u'?')) {
        text(u"<"); // a lone "<" is text
        ++pos;
        return;
    }
    if (rest[1] == u'!' || rest[1] == u'?') { // doctype, processing instruction
        skipPast(u">", 1);
        return;
    }
    const bool closing = rest[1] == u'/';
    qsizetype i = closing ? 2 : 1;
    const qsizetype nameStart = i;
    while (i < rest.size() &&
           (rest[i].isLetterOrNumber() || rest[i] == u':' || rest[i] == u'-' || rest[i] == u'_'))
        ++i;
    QString name = rest.sliced(nameStart, i - nameStart).toString().toLower();
    if (const qsizetype colon = name.lastIndexOf(u':'); colon >= 0)
        name = name.mid(colon + 1); // "html:p" in namespaced XHTML
    Attributes attributes;
    bool selfClosing = false;
    while (i < rest.size() && rest[i] != u'>') {
        if (rest[i].isSpace() || rest[i] == u'/') {
            selfClosing = rest[i] == u'/';
            ++i;
            continue;
        }
        selfClosing = false;
        const qsizetype keyStart = i;
        while (i < rest.size() && !rest[i].isSpace() && rest[i] != u'=' && rest[i] != u'>' &&
               !(rest[i] == u'/' && i + 1 < rest.size() && rest[i + 1] == u'>'))
            ++i;
        QString key = rest.sliced(keyStart, i - keyStart).toString().toLower();
        while (i < rest.size() && rest[i].isSpace())
            ++i;
        QString value;
        if (i < rest.size() && rest[i] == u'=') {
            ++i;
            while (i < rest.size() && rest[i].isSpace())
                ++i;
            if (i < rest.size() && (rest[i] == u'"' || rest[i] == u'\'')) {
                const QChar quote = rest[i];
                const qsizetype close = rest.indexOf(quote, i + 1);
                const qsizetype end = close < 0 ? rest.size() : close;
                value = decodeEntities(rest.sliced(i + 1, end - i - 1), true);
                i = close < 0 ? rest.size() : close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < rest.size() && !rest[i].isSpace() && rest[i] != u'>')
                    ++i;
                value = decodeEntities(rest.sliced(valueStart, i - valueStart), true);
            }
        }
        // Past a few hundred, an element's attributes only cost memory.
        if (!key.isEmpty() && !closing && attributes.size() < maxAttributes)
            attributes.emplace_back(std::move(key), std::move(value));
    }
    pos += std::min(i + 1, rest.size());
    if (name.isEmpty())
        return;
    if (closing) {
        endTag(name);
        return;
    }
    startTag(name, attributes, selfClosing);
    if (isRawText(name) && !selfClosing)
        rawText(name, pos);
}

/// The content of a raw-text element: style sheets are kept, the rest of
/// what such elements hold (scripts, titles) is left out.
void HtmlReader::rawText(const QString& name, qsizetype& pos)
{
    qsizetype at = pos;
    qsizetype end = m_html.size();
    while ((at = m_html.indexOf(u"</", at)) >= 0) {
        const QStringView after = m_html.sliced(at + 2);
        if (after.startsWith(name, Qt::CaseInsensitive) &&
            (after.size() == name.size() || !after[name.size()].isLetterOrNumber())) {
            end = at;
            break;
        }
        at += 2;
    }
    if (name == u"style")
        m_sheet.add(m_html.sliced(pos, end - pos));
    pos = end; // the end tag is read as markup next
}

void HtmlReader::implicitCloses(const QString& name)
{
    if (name == u"li") {
        closeTo(u"li"_s, {u"ul", u"ol", u"menu", u"dir", u"table"});
    } else if (name == u"dt" || name == u"dd") {
        if (!closeTo(u"dt"_s, {u"dl", u"table"}))
            closeTo(u"dd"_s, {u"dl", u"table"});
    } else if (name == u"tr") {
        closeTo(u"tr"_s, {u"table"});
    } else if (name == u"td" || name == u"th") {
        if (!closeTo(u"td"_s, {u"tr", u"table"}))
            closeTo(u"th"_s, {u"tr", u"table"});
    } else if (name == u"option") {
        closeTo(u"option"_s, {u"select"});
    }
    if (isBlock(name) && name != u"li" && name != u"td" && name != u"th")
        closeTo(u"p"_s, {u"td", u"th", u"table", u"li", u"div", u"blockquote", u"body", u"button"});
    if (name == u"body" || (!isHidden(name) && name != u"meta" && name != u"link" &&
                            name != u"base" && name != u"noscript"))
        closeTo(u"head"_s, {}); // content closes a head left open
}

/// Closes the nearest open element called name, unless a boundary is nearer.
bool HtmlReader::closeTo(const QString& name, std::initializer_list<const char16_t*> boundaries)
{
    if (m_openCount.value(name) == 0)
        return false;
    for (std::size_t i = m_stack.size(); i-- > 0;) {
        if (m_stack[i].tag == name) {
            popTo(i);
            return true;
        }
        if (oneOf(m_stack[i].tag, boundaries))
            return false;
    }
    return false;
}

void HtmlReader::startTag(const QString& name, const Attributes& attributes, bool selfClosing)
{
    implicitCloses(name);
    if (name == u"br") {
        if (!hidden()) {
            ++m_pendingBreaks;
            m_pendingSpace = false;
        }
        return;
    }
    if (name == u"hr") {
        if (!hidden()) {
            closeParagraph();
            m_out.addRule();
        }
        return;
    }
    if (isVoid(name)) {
        // A picture's words stand where it stands; the rest is left out.
        if ((name == u"img" || name == u"image") && !hidden() && !leftOut(name, attributes))
            decodedText(attributeOf(attributes, u"alt"));
        return;
    }
    if (m_stack.size() >= std::size_t(limits::maxDepth)) {
        if (!selfClosing || isRawText(name))
            overflow(name);
        return;
    }
    if (isBlock(name))
        closeParagraph();

    Open open = top();
    open.tag = name;
    open.heading = 0;
    open.hidden = isHidden(name) || leftOut(name, attributes);
    open.scope = false;
    openScope(open, attributes);
    if (isNoteReference(attributes) ||
        (name == u"a" && open.format.verticalAlignment() == QTextCharFormat::AlignSuperScript &&
         attributeOf(attributes, u"href").startsWith(u'#')))
        open.noteRef = true;
    if (name.size() == 2 && name[0] == u'h' && name[1] >= u'1' && name[1] <= u'6') {
        open.heading = name[1].digitValue();
        open.blockHeading = open.heading;
        open.format.merge(headingFormat(open.heading - 1, normalPoints));
        open.points = normalPoints * headingScale(open.heading - 1);
        if (m_headings.size() < maxHeadings)
            m_headings.emplace_back();
    } else if (name == u"b" || name == u"strong" || name == u"th") {
        open.format.setFontWeight(QFont::Bold);
    } else if (oneOf(name, {u"i", u"em", u"cite", u"var", u"dfn", u"address"})) {
        open.format.setFontItalic(true);
    } else if (name == u"u" || name == u"ins") {
        open.format.setFontUnderline(true);
    } else if (name == u"s" || name == u"strike" || name == u"del") {
        open.format.setFontStrikeOut(true);
    } else if (name == u"sup" || name == u"sub") {
        open.format.setVerticalAlignment(name == u"sup" ? QTextCharFormat::AlignSuperScript
                                                        : QTextCharFormat::AlignSubScript);
    } else if (oneOf(name, {u"code", u"tt", u"kbd", u"samp", u"pre", u"listing", u"xmp"})) {
        open.format.setFontFamilies(QStringList{QStringLiteral("monospace")});
    } else if (name == u"center") {
        open.alignment = Qt::AlignHCenter;
    }
    CssStyle style;
    if (name == u"font") {
        if (const auto color = parseColor(attributeOf(attributes, u"color")))
            style.color = color;
        if (const QString face = attributeOf(attributes, u"face"); !face.isEmpty())
            style.family = face.section(u',', 0, 0).trimmed();
        static const double sizes[] = {7.5, 10, 12, 13.5, 18, 24, 36};
        const QString size = attributeOf(attributes, u"size");
        bool ok = false;
        int n = size.toInt(&ok);
        if (ok && (size.startsWith(u'+') || size.startsWith(u'-')))
            n += 3;
        if (ok)
            style.points = sizes[std::clamp(n, 1, 7) - 1];
    }
    if (const QString align = attributeOf(attributes, u"align").toLower(); !align.isEmpty())
        style.merge(parseDeclarations(QString(u"text-align:" + align)));
    if (!m_sheet.empty())
        style.merge(m_sheet.lookup(name, attributeOf(attributes, u"class")));
    if (const QString inline_ = attributeOf(attributes, u"style"); !inline_.isEmpty())
        style.merge(parseDeclarations(inline_));
    for (const auto& attribute : attributes) {
        if (attribute.first == u"hidden")
            style.hidden = true;
    }
    if (style.hidden.value_or(false))
        open.hidden = true;
    open.points = style.apply(open.format, open.points);
    if (style.alignment)
        open.alignment = style.alignment;

    if (selfClosing && !isRawText(name))
        return; // <div/> in XHTML opens nothing
    if (open.hidden)
        ++m_hiddenDepth;
    if (open.scope)
        ++m_scopeDepth;
    if (name == u"pre" || name == u"listing" || name == u"xmp")
        ++m_preDepth;
    if (name == u"ul" || name == u"ol" || name == u"menu" || name == u"dir") {
        List list;
        list.ordered = name == u"ol";
        bool ok = false;
        const int start = attributeOf(attributes, u"start").toInt(&ok);
        list.counter =
            ok ? std::clamp(start, -limits::maxListNumber, limits::maxListNumber) - 1 : 0;
        const QString type = attributeOf(attributes, u"type");
        list.type = type.isEmpty() ? QChar(u'1') : type.front();
        m_lists.push_back(list);
    } else if (name == u"li" && !hidden()) {
        if (m_lists.empty())
            m_lists.push_back({});
        List& list = m_lists.back();
        bool ok = false;
        const int value = attributeOf(attributes, u"value").toInt(&ok);
        list.counter = ok ? std::clamp(value, -limits::maxListNumber, limits::maxListNumber)
                          : std::min(list.counter, limits::maxListNumber * 4) + 1;
        m_pendingMarker = marker();
    } else if (name == u"table") {
        // A page's layout table around what is read is not a table of it.
        const bool shown = !hidden();
        if (shown)
            m_out.beginTable();
        m_tables.push_back({shown});
    } else if (name == u"tr" && !m_tables.empty()) {
        if (m_tables.back().shown)
            m_out.beginRow();
        m_tables.back().rowOpen = true;
    } else if ((name == u"td" || name == u"th") && !m_tables.empty()) {
        if (!m_tables.back().rowOpen && m_tables.back().shown)
            m_out.beginRow();
        m_tables.back().rowOpen = true;
        m_tables.back().cellOpen = true;
    }
    push(std::move(open));
}

/// Elements a listener does not want read: what is hidden from assistive
/// technology, links that only point to a note or a heading, and on a web page the site's menus,
/// banners, footers and asides (an article's own header and footer stay).
bool HtmlReader::leftOut(const QString& name, const Attributes& attributes) const
{
    if (attributeOf(attributes, u"aria-hidden").compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    // Links back from a note, and the "¶" that documentation generators put
    // after each heading as a link to it.
    if (name == u"noscript" || hasWord(attributes, u"role", u"doc-backlink") ||
        hasWord(attributes, u"class", u"footnote-back") ||
        hasWord(attributes, u"class", u"headerlink"))
        return true;
    if (!m_webPage)
        return false;
    if (name == u"nav" || name == u"aside")
        return true;
    for (const char16_t* role :
         {u"navigation", u"search", u"complementary", u"banner", u"contentinfo"}) {
        if (hasWord(attributes, u"role", role))
            return true;
    }
    if (name == u"header" || name == u"footer")
        return m_openCount.value(u"article"_s) == 0 && m_openCount.value(u"section"_s) == 0 &&
               m_openCount.value(u"main"_s) == 0;
    return false;
}

/// Marks the element that holds what is read, when the page has one.
void HtmlReader::openScope(Open& open, const Attributes& attributes)
{
    if (m_scope == HtmlScope::Main && !m_mainRead &&
        (open.tag == u"main" || hasWord(attributes, u"role", u"main"))) {
        open.scope = true;
        m_mainRead = true;
    } else if (m_scope == HtmlScope::Articles &&
               (open.tag == u"article" || hasWord(attributes, u"role", u"article"))) {
        open.scope = true;
    }
}

void HtmlReader::push(Open open)
{
    ++m_openCount[open.tag];
    m_stack.push_back(std::move(open));
}

void HtmlReader::overflow(const QString& name)
{
    if (isHidden(name)) {
        ++m_overflowHidden[name];
        ++m_hiddenDepth;
    } else {
        ++m_overflowOpen[name];
    }
}

bool HtmlReader::endOverflow(const QString& name)
{
    if (const auto hidden = m_overflowHidden.find(name);
        hidden != m_overflowHidden.end() && *hidden > 0) {
        --*hidden;
        --m_hiddenDepth;
        return true;
    }
    if (const auto open = m_overflowOpen.find(name); open != m_overflowOpen.end() && *open > 0) {
        --*open;
        return true;
    }
    return false;
}

QString HtmlReader::marker()
{
    const List& list = m_lists.back();
    if (!list.ordered) {
        static const char16_t bullets[] = {0x2022, 0x25E6, 0x25AA};
        return QString(QChar(bullets[std::min<std::size_t>(m_lists.size() - 1, 2)]));
    }
    static const char16_t* const formats[] = {u"lowerLetter", u"upperLetter", u"lowerRoman",
                                              u"upperRoman"};
    const int kind = list.type == u'a'   ? 0
                     : list.type == u'A' ? 1
                     : list.type == u'i' ? 2
                     : list.type == u'I' ? 3
                                         : -1;
    QString number;
    if (kind < 0) {
        number = QString::number(list.counter);
    } else {
        number = docx::listNumber(list.counter, formats[kind]);
    }
    return number + u'.';
}

void HtmlReader::endTag(const QString& name)
{
    if (name == u"br") { // "</br>" is read as a break by browsers too
        if (!hidden())
            ++m_pendingBreaks;
        return;
    }
    if (endOverflow(name) || m_openCount.value(name) == 0)
        return;
    for (std::size_t i = m_stack.size(); i-- > 0;) {
        if (m_stack[i].tag == name) {
            popTo(i);
            return;
        }
        // An end tag does not close past a table cell or a list item it is not in.
        if (oneOf(m_stack[i].tag, {u"td", u"th", u"table"}) && name != u"tr" && name != u"table" &&
            name != u"tbody" && name != u"thead" && name != u"tfoot")
            return;
    }
}

void HtmlReader::popTo(std::size_t index)
{
    while (m_stack.size() > index)
        pop();
}

void HtmlReader::pop()
{
    const Open open = std::move(m_stack.back());
    m_stack.pop_back();
    --m_openCount[open.tag];
    if (open.hidden)
        --m_hiddenDepth;
    if (open.scope)
        --m_scopeDepth;
    const QString& name = open.tag;
    if (name == u"pre" || name == u"listing" || name == u"xmp")
        --m_preDepth;
    if (isBlock(name))
        closeParagraph();
    if (name == u"ul" || name == u"ol" || name == u"menu" || name == u"dir") {
        if (!m_lists.empty())
            m_lists.pop_back();
    } else if ((name == u"td" || name == u"th") && !m_tables.empty()) {
        if (m_tables.back().cellOpen && m_tables.back().shown)
            m_out.endCell();
        m_tables.back().cellOpen = false;
    } else if (name == u"tr" && !m_tables.empty()) {
        if (m_tables.back().rowOpen && m_tables.back().shown)
            m_out.endRow();
        m_tables.back().rowOpen = false;
    } else if (name == u"table" && !m_tables.empty()) {
        const Table table = m_tables.back();
        m_tables.pop_back();
        if (!table.shown)
            return;
        if (table.rowOpen)
            m_out.endRow();
        m_out.endTable();
    }
}

void HtmlReader::closeParagraph()
{
    if (m_paragraphOpen)
        m_out.endParagraph();
    m_paragraphOpen = false;
    m_pendingSpace = false;
    m_pendingBreaks = 0;
}

void HtmlReader::text(QStringView raw)
{
    if (hidden() || raw.isEmpty())
        return;
    decodedText(decodeEntities(raw));
}

void HtmlReader::decodedText(const QString& decoded)
{
    if (hidden() || decoded.isEmpty())
        return;
    if (m_preDepth > 0) {
        QString kept = decoded;
        kept.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        if (!m_paragraphOpen && kept.startsWith(u'\n'))
            kept.remove(0, 1); // the line break right after <pre> is not shown
        kept.replace(u'\n', QChar(0x2028));
        put(kept);
        return;
    }
    // White space collapses to one space, and none starts a line.
    bool lineStart = !m_paragraphOpen || m_pendingBreaks > 0;
    QString collapsed;
    collapsed.reserve(decoded.size());
    for (const QChar c : decoded) {
        if (c == u' ' || c == u'\n' || c == u'\t' || c == u'\r' || c == u'\f') {
            m_pendingSpace = true;
            continue;
        }
        if (m_pendingSpace && !lineStart)
            collapsed += u' ';
        m_pendingSpace = false;
        lineStart = false;
        collapsed += c;
    }
    if (!collapsed.isEmpty())
        put(collapsed);
}

void HtmlReader::put(const QString& text)
{
    if (text.isEmpty())
        return;
    const Open& current = top();
    if (!m_paragraphOpen) {
        QTextBlockFormat block;
        if (current.alignment)
            block.setAlignment(*current.alignment);
        if (current.blockHeading > 0)
            block.setHeadingLevel(current.blockHeading);
        if (!m_lists.empty())
            block.setIndent(int(m_lists.size()));
        m_out.beginParagraph(block);
        m_paragraphOpen = true;
        if (!m_pendingMarker.isEmpty())
            m_out.addText(QString(m_pendingMarker + u'\t'), current.format);
        m_pendingMarker.clear();
    }
    if (m_pendingBreaks > 0) {
        m_out.addText(QString(m_pendingBreaks, QChar(0x2028)), current.format);
        m_pendingBreaks = 0;
    }
    if (current.blockHeading > 0 && !m_headings.empty() &&
        m_headings.back().size() < maxHeadingText)
        m_headings.back() += text;
    if (current.noteRef && text.size() <= maxNoteMark)
        m_out.addNoteReference(text, current.format);
    else
        m_out.addText(text, current.format);
}

} // namespace

std::vector<QString> readHtmlText(QStringView html, DocumentBuilder& out, const StyleSheet* sheet)
{
    HtmlReader reader(html, out, sheet, false);
    reader.run();
    return reader.headings();
}

void refuseLargeMarkup(const QString& fileName, const QString& kind)
{
    throw tooLarge(fileName, kind,
                   QStringLiteral("a page of more than %1 MB").arg(maxMarkupBytes / (1024 * 1024)));
}

void readHtml(QByteArray data, const QString& fileName, DocumentBuilder& out)
{
    // Bytes that no text has (NUL outside UTF-16) are not a web page.
    const QByteArrayView head = QByteArrayView(data).first(std::min<qsizetype>(data.size(), 4096));
    const std::optional<ByteOrderMark> mark = byteOrderMark(head);
    const bool utf16 = mark && mark->encoding != QStringConverter::Utf8;
    if (!utf16 && head.contains('\0'))
        throw notThisFormat(fileName, kindHtml());
    if (data.size() > maxMarkupBytes)
        refuseLargeMarkup(fileName, kindHtml());
    const QString html = decodeHtml(std::exchange(data, {})); // the bytes go: the text is enough
    HtmlReader reader(html, out, nullptr, true);
    reader.reportsProgress = true;
    reader.run();
}

} // namespace platform::documents
