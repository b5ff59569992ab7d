// Pages recognised in parallel, a worker and an engine per core, the
// results in page order.
#include "platform/ocr/textrecognition.h"

#include "platform/documents/readprogress.h"
#include "platform/error.h"
#include "platform/ocr/languages.h"
#include "platform/ocr/pictures.h"
#include "platform/ocr/recogniser.h"

#include <QImage>
#include <QThread>

#include <leptonica/allheaders.h>

#include <omp.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

namespace platform::ocr {
namespace {

/// The resolution PDF pages are drawn at, and pictures without one are taken at.
constexpr int pageResolution = 300;

/// A picture drawn by Qt as Leptonica's 8-bit grey.
PixHolder toPix(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    PixHolder pix(pixCreate(grey.width(), grey.height(), 8));
    if (!pix)
        return nullptr;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(data + qsizetype(y) * wpl, grey.constScanLine(y), std::size_t(grey.width()));
    // Leptonica keeps the bytes of a word in the order of its value.
    pixEndianByteSwap(pix.get());
    pixSetResolution(pix.get(), pageResolution, pageResolution);
    return pix;
}

/// Tesseract splits the work on a line between several threads of its own;
/// with a page per core already, those threads only wait on each other.
/// The calling thread's engine runs its lines on it alone.
void onePageOneThread()
{
    omp_set_dynamic(1);
    omp_set_num_threads(1);
}

} // namespace

TesseractRecognition::TesseractRecognition(QString dataPath)
    : m_dataPath(std::move(dataPath)), m_workers(std::clamp(QThread::idealThreadCount(), 1, 4))
{
}

TesseractRecognition::~TesseractRecognition() = default;

QString TesseractRecognition::languageFor(const QString& voiceLanguage) const
{
    const QString language = tesseractLanguage(voiceLanguage);
    if (!language.isEmpty() && installedLanguages(m_dataPath).contains(language))
        return language;
    return QStringLiteral("eng");
}

std::unique_ptr<Recogniser> TesseractRecognition::takeEngine(const QString& language)
{
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if ((*it)->language() == language) {
                std::unique_ptr<Recogniser> engine = std::move(*it);
                m_idle.erase(it);
                return engine;
            }
        }
    }
    return std::make_unique<Recogniser>(m_dataPath, language);
}

void TesseractRecognition::giveBack(std::unique_ptr<Recogniser> engine)
{
    const std::lock_guard lock(m_mutex);
    // Engines of another language are dropped: one language is kept ready.
    std::erase_if(m_idle, [&engine](const std::unique_ptr<Recogniser>& idle) {
        return idle->language() != engine->language();
    });
    m_idle.push_back(std::move(engine));
}

template <typename Picture>
std::vector<RecognisedPage> TesseractRecognition::run(int count, const Picture& picture,
                                                      const QString& language,
                                                      ReadProgress* progress)
{
    std::vector<RecognisedPage> pages(std::size_t(std::max(count, 0)));
    if (count <= 0)
        return pages;
    const QString tesseractName = languageFor(language);
    // The first engine is made here, so that missing data is refused before
    // any thread starts.
    std::unique_ptr<Recogniser> first = takeEngine(tesseractName);
    StopSignal stop;
    stop.progress = progress;
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto work = [&](std::unique_ptr<Recogniser> engine, int worker) {
        try {
            onePageOneThread();
            if (!engine)
                engine = takeEngine(tesseractName);
            for (int page = next++; page < count && !stop.requested(); page = next++) {
                if (progress)
                    progress->report(double(done) / count,
                                     QStringLiteral("Recognising page %1 of %2")
                                         .arg(std::min(done + 1, count))
                                         .arg(count));
                const PixHolder pix = picture(page, worker);
                if (pix && !stop.requested())
                    pages[std::size_t(page)] = engine->recognise(
                        pix.get(),
                        pixGetXRes(pix.get()) > 0 ? pixGetXRes(pix.get()) : pageResolution, stop);
                ++done;
            }
            giveBack(std::move(engine));
        } catch (...) {
            const std::lock_guard lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
            stop.failed = true;
        }
    };
    const int threads = std::min(m_workers, count);
    std::vector<std::thread> workers;
    for (int worker = 1; worker < threads; ++worker)
        workers.emplace_back(work, nullptr, worker);
    work(std::move(first), 0);
    for (std::thread& thread : workers)
        thread.join();
    if (progress)
        progress->check();
    if (failure)
        std::rethrow_exception(failure);
    return pages;
}

std::vector<RecognisedPage> TesseractRecognition::recognise(int count, const PagePictures& pictures,
                                                            const QString& language,
                                                            ReadProgress* progress)
{
    return run(
        count, [&pictures](int page, int worker) { return toPix(pictures(page, worker)); },
        language, progress);
}

std::vector<RecognisedPage> TesseractRecognition::recognisePictures(QByteArray data,
                                                                    const QString& fileName,
                                                                    const QString& language,
                                                                    ReadProgress* progress)
{
    const PictureFile file(std::move(data), fileName);
    return run(
        file.count(), [&file](int page, int) { return file.page(page); }, language, progress);
}

} // namespace platform::ocr
