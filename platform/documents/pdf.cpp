// PDF documents through poppler: the text of each page in reading order,
// as paragraphs, without the running headers and footers. Pages that fail
// are left out; the others are kept.
#include "platform/documents/builder.h"
#include "platform/documents/errors.h"
#include "platform/documents/pdftext.h"
#include "platform/documents/readers.h"

#include <QThread>

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

/// The lines of one page: words chained on a line by poppler, in its
/// reading order.
pdf::Page readPage(const Poppler::Document& document, int index)
{
    pdf::Page result;
    const std::unique_ptr<Poppler::Page> page(document.page(index));
    if (!page) {
        result.failed = true;
        return result;
    }
    const std::vector<std::unique_ptr<Poppler::TextBox>> words = page->textList();
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

std::unique_ptr<Poppler::Document> load(const QByteArray& data)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    return document;
}

/// Every page's lines; large documents are read by several threads, each
/// with a document of its own (poppler's documents are not shared).
std::vector<pdf::Page> readPages(const QByteArray& data, const Poppler::Document& first)
{
    const int count = first.numPages();
    std::vector<pdf::Page> pages(std::size_t(std::max(count, 0)));
    const int threads = count >= 16 ? std::clamp(QThread::idealThreadCount(), 1, 4) : 1;
    const auto work = [&](const Poppler::Document& document, int from) {
        for (int i = from; i < count; i += threads)
            pages[std::size_t(i)] = readPage(document, i);
    };
    std::vector<std::unique_ptr<Poppler::Document>> copies;
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) {
        copies.push_back(load(data));
        if (!copies.back())
            break;
        workers.emplace_back(work, std::cref(*copies.back()), t);
    }
    if (int(workers.size()) + 1 < threads) { // a copy failed: one thread reads it all
        for (std::thread& worker : workers)
            worker.join();
        for (int i = 0; i < count; ++i)
            pages[std::size_t(i)] = readPage(first, i);
        return pages;
    }
    work(first, 0);
    for (std::thread& worker : workers)
        worker.join();
    return pages;
}

} // namespace

void readPdf(const QByteArray& data, const QString& fileName, DocumentBuilder& out)
{
    quietPoppler();
    if (!data.first(std::min<qsizetype>(data.size(), 1024)).contains("%PDF-"))
        throw notThisFormat(fileName, kindPdf());
    const std::unique_ptr<Poppler::Document> document = load(data);
    if (!document)
        throw damaged(fileName, kindPdf(), QStringLiteral("no page can be read"));
    if (document->isLocked())
        throw passwordProtected(fileName, kindPdf());
    // The accessibility permission exists for readers like this one.
    if (!document->okToCopy() && !document->okToExtractForAccessibility())
        throw drmProtected(fileName, kindPdf());

    std::vector<pdf::Page> pages = readPages(data, *document);
    const bool anyRead =
        std::any_of(pages.begin(), pages.end(), [](const pdf::Page& page) { return !page.failed; });
    if (!pages.empty() && !anyRead)
        throw damaged(fileName, kindPdf(), QStringLiteral("no page can be read"));
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
