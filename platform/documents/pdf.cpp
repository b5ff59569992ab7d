// PDF documents through poppler: the text of each page in reading order,
// as headings, paragraphs and table rows, without the running headers and
// footers, the notes at the foot of the pages gathered at the end. Pages
// that fail are left out; the others are kept.
#include "platform/documentlimits.h"
#include "platform/documents/builder.h"
#include "platform/documents/errors.h"
#include "platform/documents/pdfscan.h"
#include "platform/documents/pdftext.h"
#include "platform/documents/readers.h"
#include "platform/documents/readprogress.h"

#include <QBuffer>
#include <QThread>

#include <atomic>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>
#include <poppler-qt6.h>
#include <thread>

namespace platform::documents {
namespace {

/// Poppler reports every syntax problem of a damaged file; the reader
/// says what matters in one message instead.
void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    });
}

/// What reading a PDF may cost. Poppler interprets every drawing operation
/// of a page to find its text, at a few microseconds each, and on some
/// hostile pages (letters drawn over each other) in time that grows with the
/// square of their number. Real pages of text take tens to a few thousand
/// operations: a page is cut off where only such a page goes (a fraction of
/// a second at worst). A document may take operations in proportion to its
/// size: a real book of dense pages (Qt draws each word on its own) takes
/// about one per byte of its file, while a small file whose pages all show
/// one content stream can ask for millions; such a file stops at the floor
/// (about 12 seconds of this machine's processor), a large one in time
/// linear in its size.
constexpr int maxPages = 10'000;
constexpr int maxOperationsPerPage = 10'000; ///< beyond: the page's text is left out
constexpr qint64 minOperations = 2'000'000;  ///< allowed whatever the file's size
constexpr qint64 operationsPerByte = 4;      ///< allowed beyond the floor

/// Beyond this the document is refused.
qint64 maxOperations(qsizetype fileBytes)
{
    constexpr qint64 million = 1'000'000; // a round figure for the refusal
    const qint64 bySize = (operationsPerByte * qint64(fileBytes) + million - 1) / million * million;
    return std::max(minOperations, bySize);
}

/// The work done on one document, shared by the threads that read it.
struct Work {
    ReadProgress* progress = nullptr;
    qint64 maxOperations = minOperations;
    std::atomic<qint64> operations{0};
    std::atomic<bool> overLimit{false};
    std::atomic<int> pagesDone{0};
    bool stopped() const
    {
        return overLimit.load(std::memory_order_relaxed) || (progress && progress->cancelled());
    }
};

/// One page's share of it, for poppler's question "stop now?", asked at
/// about every drawing operation.
struct PageWork {
    Work* work;
    int operations = 0;
    bool overPage = false;
};

bool stopExtraction(const QVariant& closure)
{
    auto* page = reinterpret_cast<PageWork*>(closure.value<quintptr>());
    if (++page->operations > maxOperationsPerPage) {
        page->overPage = true;
        return true;
    }
    Work& work = *page->work;
    if (work.operations.fetch_add(1, std::memory_order_relaxed) >= work.maxOperations)
        work.overLimit.store(true, std::memory_order_relaxed);
    return work.stopped();
}

/// A document of poppler's over the bytes, which it reads through a buffer
/// of its own: the threads share one copy of the file.
struct PdfDocument {
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<Poppler::Document> document;
};

PdfDocument load(const QByteArray& data)
{
    PdfDocument pdf{std::make_unique<QBuffer>(), nullptr};
    pdf.buffer->setData(data);
    pdf.buffer->open(QIODevice::ReadOnly);
    pdf.document = Poppler::Document::load(pdf.buffer.get());
    return pdf;
}

/// One word of a line as poppler places it.
struct Word {
    QString text;
    QRectF box;
    bool spaceAfter = false;
};

/// A small number or sign raised after a word: a note's reference mark.
bool isReferenceMark(const std::vector<Word>& words, std::size_t i, double lineHeight,
                     double baseline)
{
    const Word& word = words[i];
    if (i == 0 || word.text.isEmpty() || word.text.size() > 3)
        return false;
    const bool sign = word.text.size() == 1 && QStringView(u"*\u2020\u2021").contains(word.text[0]);
    const bool digits =
        std::all_of(word.text.begin(), word.text.end(), [](QChar c) { return c.isDigit(); });
    return (sign || digits) && word.box.height() < 0.8 * lineHeight &&
           word.box.bottom() < baseline - 0.15 * lineHeight;
}

/// The line of words, with their note reference marks apart: a mark
/// follows its word without a space. The line is as tall as the type that
/// carries most of its letters, so that a raised mark or a word in another
/// font does not make it look like a heading.
pdf::Line makeLine(const std::vector<Word>& words)
{
    std::map<int, qsizetype> letters; // by height, in half points
    for (const Word& word : words)
        letters[int(word.box.height() * 2 + 0.5)] += word.text.size();
    const double height =
        std::max_element(letters.begin(), letters.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first /
        2.0;
    pdf::Line line;
    double top = 1e9, bottom = -1e9, left = 1e9, right = -1e9;
    std::vector<double> bottoms;
    for (const Word& word : words) {
        left = std::min(left, word.box.left());
        right = std::max(right, word.box.right());
        if (std::abs(word.box.height() - height) <= 0.15 * height + 0.25) { // 0.25: the rounding
            top = std::min(top, word.box.top());
            bottom = std::max(bottom, word.box.bottom());
            bottoms.push_back(word.box.bottom());
        }
    }
    line.box = QRectF(QPointF(left, top), QPointF(right, bottom));
    std::nth_element(bottoms.begin(), bottoms.begin() + std::ptrdiff_t(bottoms.size() / 2),
                     bottoms.end());
    const double baseline = bottoms[bottoms.size() / 2];
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        if (isReferenceMark(words, i, height, baseline)) {
            if (line.text.endsWith(u' '))
                line.text.chop(1);
            line.marks.push_back({line.text.size(), word.text.size()});
        }
        line.text += word.text;
        if (word.spaceAfter && i + 1 < words.size())
            line.text += u' ';
    }
    line.firstWordWidth = words.front().box.width();
    return line;
}

/// The lines of one page: words chained on a line by poppler, in its
/// reading order.
pdf::Page readPage(const Poppler::Document& document, int index, Work& work)
{
    pdf::Page result;
    const std::unique_ptr<Poppler::Page> page(document.page(index));
    if (!page) {
        result.failed = true;
        return result;
    }
    result.size = page->pageSizeF();
    PageWork pageWork{&work};
    const std::vector<std::unique_ptr<Poppler::TextBox>> boxes =
        page->textList(Poppler::Page::Rotate0, stopExtraction,
                       QVariant::fromValue(reinterpret_cast<quintptr>(&pageWork)));
    if (pageWork.overPage || work.stopped()) {
        result.failed = true; // too much work for one page: its text is left out
        return result;
    }
    std::vector<Word> words;
    for (const auto& box : boxes) {
        // Damaged files place words anywhere; a word placed nowhere is left out.
        const QRectF place = box->boundingBox().normalized();
        const double extent =
            std::abs(place.left()) + std::abs(place.top()) + place.width() + place.height();
        if (std::isfinite(extent) && extent < 1e7)
            words.push_back({box->text(), place, box->hasSpaceAfter()});
        if (!box->nextWord() && !words.empty()) {
            result.lines.push_back(makeLine(words));
            words.clear();
        }
    }
    if (!words.empty())
        result.lines.push_back(makeLine(words));
    return result;
}

/// Every page's lines; large documents are read by several threads, each
/// with a document of its own (poppler's documents are not shared). What a
/// thread throws is thrown again here, after all have ended.
std::vector<pdf::Page> readPages(const QByteArray& data, const Poppler::Document& first, Work& work,
                                 DocumentBuilder& out)
{
    const int count = first.numPages();
    std::vector<pdf::Page> pages(std::size_t(std::max(count, 0)));
    int threads = count >= 16 ? std::clamp(QThread::idealThreadCount(), 1, 4) : 1;
    std::vector<PdfDocument> copies;
    for (int t = 1; t < threads; ++t) {
        copies.push_back(load(data));
        if (!copies.back().document) { // a copy failed: fewer threads
            copies.pop_back();
            break;
        }
    }
    threads = int(copies.size()) + 1;
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto run = [&](const Poppler::Document& document, int from) {
        try {
            for (int i = from; i < count && !work.stopped(); i += threads) {
                pages[std::size_t(i)] = readPage(document, i, work);
                work.pagesDone.fetch_add(1, std::memory_order_relaxed);
                if (from == 0) // the reader's own thread tells the window
                    out.report(double(work.pagesDone.load()) / count,
                               QStringLiteral("Reading page %1 of %2")
                                   .arg(work.pagesDone.load())
                                   .arg(count));
            }
        } catch (...) {
            const std::lock_guard lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
            work.overLimit.store(true); // the others stop too
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(run, std::cref(*copies[std::size_t(t) - 1].document), t);
    run(first, 0);
    for (std::thread& worker : workers)
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return pages;
}

} // namespace

namespace {

/// Text with its note reference marks raised and kept apart.
void addMarkedText(const QString& text, const std::vector<pdf::Mark>& marks, DocumentBuilder& out)
{
    qsizetype at = 0;
    for (const pdf::Mark& mark : marks) {
        out.addText(QStringView(text).mid(at, mark.start - at), QTextCharFormat());
        out.addNoteReference(QStringView(text).mid(mark.start, mark.length), QTextCharFormat());
        at = mark.start + mark.length;
    }
    out.addText(QStringView(text).mid(at), QTextCharFormat());
}

} // namespace

void pdf::writeBlocks(const std::vector<pdf::Block>& blocks, DocumentBuilder& out)
{
    bool inTable = false;
    for (const pdf::Block& block : blocks) {
        if (inTable && block.kind != pdf::Block::Row) {
            out.endTable();
            inTable = false;
        }
        switch (block.kind) {
        case pdf::Block::Row:
            if (!inTable)
                out.beginTable();
            inTable = true;
            out.beginRow();
            for (const QString& cell : block.cells) {
                out.beginParagraph();
                out.addText(cell.trimmed(), QTextCharFormat());
                out.endCell();
            }
            out.endRow();
            break;
        case pdf::Block::Heading: {
            QTextBlockFormat format;
            format.setHeadingLevel(block.level + 1);
            out.beginParagraph(format);
            out.addText(block.text, headingFormat(block.level, 12));
            out.endParagraph();
            break;
        }
        case pdf::Block::Note: {
            out.beginNote();
            out.beginParagraph();
            const qsizetype space = block.text.indexOf(u' ');
            const qsizetype end = space < 0 ? block.text.size() : space;
            out.addNoteReference(QStringView(block.text).first(end), QTextCharFormat());
            std::vector<pdf::Mark> marks;
            for (pdf::Mark mark : block.marks) {
                if (mark.start > end)
                    marks.push_back({mark.start - end, mark.length});
            }
            addMarkedText(block.text.mid(end), marks, out);
            out.endParagraph();
            out.endNote();
            break;
        }
        case pdf::Block::Paragraph:
            out.beginParagraph();
            addMarkedText(block.text, block.marks, out);
            out.endParagraph();
            break;
        }
    }
    if (inTable)
        out.endTable();
}

void readPdf(QByteArray data, const QString& fileName, DocumentBuilder& out)
{
    quietPoppler();
    if (!data.first(std::min<qsizetype>(data.size(), 1024)).contains("%PDF-"))
        throw notThisFormat(fileName, kindPdf());
    const PdfDocument pdf = load(data);
    if (!pdf.document)
        throw damaged(fileName, kindPdf(), QStringLiteral("no page can be read"));
    const Poppler::Document& document = *pdf.document;
    if (document.isLocked())
        throw passwordProtected(fileName, kindPdf());
    // The accessibility permission exists for readers like this one.
    if (!document.okToCopy() && !document.okToExtractForAccessibility())
        throw drmProtected(fileName, kindPdf());
    if (document.numPages() > maxPages)
        throw tooLargeToOpen(fileName, QStringLiteral("has ") +
                                           limits::moreThan(maxPages, QStringLiteral("pages")));

    Work work;
    work.progress = out.progress();
    work.maxOperations = maxOperations(data.size());
    std::vector<pdf::Page> pages = readPages(data, document, work, out);
    if (work.progress)
        work.progress->check();
    if (work.overLimit)
        throw tooLargeToOpen(
            fileName,
            QStringLiteral("takes more than %1 to read")
                .arg(limits::amount(work.maxOperations, QStringLiteral("drawing operations"))));
    const bool anyRead =
        std::any_of(pages.begin(), pages.end(), [](const pdf::Page& page) { return !page.failed; });
    if (!pages.empty() && !anyRead)
        throw damaged(fileName, kindPdf(), QStringLiteral("no page can be read"));
    pdf::recogniseScannedPages(data, pages, out);
    pdf::removeRunningLines(pages);
    pdf::writeBlocks(pdf::blocks(std::move(pages)), out);
}

} // namespace platform::documents
