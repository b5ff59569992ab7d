// PDF documents through poppler: the text of each page in reading order,
// as paragraphs, without the running headers and footers. Pages that fail
// are left out; the others are kept.
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
#include <exception>
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
/// a second at worst), and a document a little past the densest 500-page
/// book we know (1.8 million: Qt draws each word on its own), which bounds
/// the worst file to about 12 seconds of this machine's processor.
constexpr int maxPages = 10'000;
constexpr int maxOperationsPerPage = 10'000; ///< beyond: the page's text is left out
constexpr qint64 maxOperations = 2'000'000;  ///< beyond: the document is refused

/// The work done on one document, shared by the threads that read it.
struct Work {
    ReadProgress* progress = nullptr;
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
    if (work.operations.fetch_add(1, std::memory_order_relaxed) >= maxOperations)
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
    PageWork pageWork{&work};
    const std::vector<std::unique_ptr<Poppler::TextBox>> words =
        page->textList(Poppler::Page::Rotate0, stopExtraction,
                       QVariant::fromValue(reinterpret_cast<quintptr>(&pageWork)));
    if (pageWork.overPage || work.stopped()) {
        result.failed = true; // too much work for one page: its text is left out
        return result;
    }
    pdf::Line line;
    bool open = false;
    for (const auto& word : words) {
        if (!open) {
            line = pdf::Line{};
            line.box = word->boundingBox();
            open = true;
        } else {
            line.box = line.box.united(word->boundingBox());
        }
        line.text += word->text();
        if (word->nextWord()) {
            if (word->hasSpaceAfter())
                line.text += u' ';
        } else {
            result.lines.push_back(std::move(line));
            open = false;
        }
    }
    if (open)
        result.lines.push_back(std::move(line));
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
    std::vector<pdf::Page> pages = readPages(data, document, work, out);
    if (work.progress)
        work.progress->check();
    if (work.overLimit)
        throw tooLargeToOpen(
            fileName,
            QStringLiteral("takes more than %1 to read")
                .arg(limits::amount(maxOperations, QStringLiteral("drawing operations"))));
    const bool anyRead =
        std::any_of(pages.begin(), pages.end(), [](const pdf::Page& page) { return !page.failed; });
    if (!pages.empty() && !anyRead)
        throw damaged(fileName, kindPdf(), QStringLiteral("no page can be read"));
    pdf::recogniseScannedPages(data, pages, out);
    pdf::removeRunningLines(pages);
    for (const pdf::Page& page : pages) {
        for (const QString& paragraph : pdf::paragraphs(page.lines)) {
            out.beginParagraph();
            out.addText(paragraph, QTextCharFormat());
            out.endParagraph();
        }
    }
}

} // namespace platform::documents
