// The pages of a PDF that are pictures of text (a scanned letter, a scanned
// book): drawn by poppler and read by the recogniser.
#include "platform/documents/pdfscan.h"

#include "platform/documents/builder.h"
#include "platform/documents/readprogress.h"

#include <QBuffer>

#include <memory>
#include <optional>
#include <poppler-qt6.h>

namespace platform::documents::pdf {
namespace {

/// A page with fewer characters than this may be a scan (its number, a
/// stamp); it is recognised when its drawing shows more than that.
constexpr qsizetype fewCharacters = 20;
/// Pages are drawn at this resolution, unless a page so large would make
/// a picture of more than maxPagePixels.
constexpr double resolution = 300;
constexpr double maxPagePixels = 100'000'000;
/// A drawn page with less than this share of dark pixels is blank.
constexpr double inkShare = 0.002;

qsizetype characters(const Page& page)
{
    qsizetype count = 0;
    for (const Line& line : page.lines)
        count += line.text.trimmed().size();
    return count;
}

bool shouldAbort(const QVariant& closure)
{
    const auto* progress = reinterpret_cast<const ReadProgress*>(closure.value<quintptr>());
    return progress && progress->cancelled();
}

/// The page drawn in grey, or null when it shows (almost) nothing.
QImage drawPage(const Poppler::Document& document, int index, ReadProgress* progress)
{
    const std::unique_ptr<Poppler::Page> page(document.page(index));
    if (!page)
        return {};
    const QSizeF points = page->pageSizeF();
    const double inches = points.width() / 72 * points.height() / 72;
    if (!(inches > 0))
        return {};
    const double dpi = std::min(resolution, std::sqrt(maxPagePixels / inches));
    const QImage drawn =
        page->renderToImage(dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr,
                            shouldAbort, QVariant::fromValue(reinterpret_cast<quintptr>(progress)));
    if (drawn.isNull())
        return {};
    QImage grey = drawn.convertToFormat(QImage::Format_Grayscale8);
    qint64 dark = 0;
    for (int y = 0; y < grey.height(); y += 4) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); x += 4)
            dark += row[x] < 128;
    }
    const double sampled = double(grey.width() / 4 + 1) * (grey.height() / 4 + 1);
    if (dark < inkShare * sampled)
        return {};
    return grey;
}

} // namespace

Page pageOf(const RecognisedPage& recognised)
{
    Page page;
    QRectF extent;
    for (const RecognisedLine& line : recognised.lines) {
        Line read;
        read.text = line.text;
        read.box = line.box;
        // the recogniser gives whole lines: the first word's share of the
        // letters stands for its share of the width
        const qsizetype space = line.text.indexOf(u' ');
        const qsizetype first = space < 0 ? line.text.size() : space;
        if (!line.text.isEmpty())
            read.firstWordWidth = line.box.width() * double(first) / double(line.text.size());
        page.lines.push_back(std::move(read));
        extent = extent.united(line.box);
    }
    // a picture has no page size of its own: its text's extent stands for it
    page.size = QSizeF(extent.right(), extent.bottom());
    return page;
}

void recogniseScannedPages(const QByteArray& data, std::vector<Page>& pages, DocumentBuilder& out)
{
    const RecognitionRequest& request = out.recognition();
    if (!request.engine)
        return;
    std::vector<int> scanned; // 0-based
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (characters(pages[i]) < fewCharacters)
            scanned.push_back(int(i));
    }
    if (scanned.empty())
        return;
    // Poppler's documents are not shared between threads: a worker draws
    // with a copy of its own, made when it draws its first page.
    std::vector<std::unique_ptr<Poppler::Document>> copies(
        std::size_t(std::max(request.engine->workers(), 1)));
    ReadProgress* progress = out.progress();
    const PagePictures draw = [&](int page, int worker) -> QImage {
        std::unique_ptr<Poppler::Document>& copy = copies[std::size_t(worker)];
        if (!copy) {
            copy = Poppler::Document::loadFromData(data);
            if (!copy)
                return {};
            copy->setRenderHint(Poppler::Document::Antialiasing);
            copy->setRenderHint(Poppler::Document::TextAntialiasing);
        }
        return drawPage(*copy, scanned[std::size_t(page)], progress);
    };
    const std::vector<RecognisedPage> recognised =
        request.engine->recognise(int(scanned.size()), draw, request.language, progress);
    std::vector<RecognisedPage> kept;
    std::vector<int> numbers;
    for (std::size_t i = 0; i < scanned.size(); ++i) {
        if (recognised[i].confidence < 0)
            continue; // blank, or not drawn: the page keeps what it had
        pages[std::size_t(scanned[i])] = pageOf(recognised[i]);
        kept.push_back(recognised[i]);
        numbers.push_back(scanned[i] + 1);
    }
    if (!kept.empty())
        out.setRecognised(summarise(kept, numbers));
}

} // namespace platform::documents::pdf
