// A scanned book of 20 pages opened through recognition, against the
// command-line pipeline a user would otherwise run: pdftoppm at 300 dpi,
// then tesseract on each page, two pages at once on two cores.
#include "benchtable.h"

#include "platform/documents/filereading.h"
#include "platform/ocr/languages.h"
#include "platform/ocr/textrecognition.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int pages = 20;

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

/// The corpus's three scanned pages, repeated to make a book of 20.
QString makeBook(const QTemporaryDir& folder)
{
    const QString source = QStringLiteral(PARLIVOX_SCANNED_CORPUS "/scanned-book.pdf");
    if (!run(u"pdfseparate"_s, {source, folder.filePath(u"page-%d.pdf"_s)}))
        return {};
    QStringList parts;
    for (int page = 0; page < pages; ++page)
        parts << folder.filePath(u"page-%1.pdf"_s.arg(page % 3 + 1));
    const QString book = folder.filePath(u"book.pdf"_s);
    return run(u"pdfunite"_s, parts << book) ? book : QString();
}

double megabytes(long kilobytes)
{
    return double(kilobytes) / 1024;
}

/// pdftoppm, then tesseract on the pages two at a time; seconds.
double commandLine(const QString& book, const QTemporaryDir& folder)
{
    QElapsedTimer timer;
    timer.start();
    const QString prefix = folder.filePath(u"cli"_s);
    if (!run(u"pdftoppm"_s, {u"-r"_s, u"300"_s, book, prefix}))
        return -1;
    QStringList images = QDir(folder.path()).entryList({u"cli-*.ppm"_s}, QDir::Files, QDir::Name);
    std::vector<std::unique_ptr<QProcess>> running;
    for (const QString& image : images) {
        if (running.size() == 2) {
            running.front()->waitForFinished(-1);
            running.erase(running.begin());
        }
        auto process = std::make_unique<QProcess>();
        process->start(u"tesseract"_s,
                       {folder.filePath(image), folder.filePath(image + u".out"_s)});
        running.push_back(std::move(process));
    }
    for (auto& process : running)
        process->waitForFinished(-1);
    return double(timer.elapsed()) / 1000;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QTemporaryDir folder;
    const QString book = makeBook(folder);
    if (book.isEmpty()) {
        std::fprintf(stderr, "bench_ocr: pdfseparate and pdfunite (poppler-utils) are needed\n");
        return 1;
    }
    std::vector<bench::Row> rows;

    // Ours, from nothing: the engines start within the time.
    QElapsedTimer timer;
    timer.start();
    {
        platform::ocr::TesseractRecognition recognition(platform::ocr::defaultDataPath());
        const platform::LoadedFile file =
            platform::readFile(book, QFont(), nullptr, {&recognition, u"en"_s});
        if (!file.document || !file.recognition || file.recognition->pages != pages) {
            std::fprintf(stderr, "bench_ocr: the book was not recognised\n");
            return 1;
        }
    }
    const double ours = double(timer.elapsed()) / 1000;
    rusage self{};
    getrusage(RUSAGE_SELF, &self);

    const double cli = commandLine(book, folder);

    // Cancel a second into the recognition: how long until the reading ends.
    platform::ocr::TesseractRecognition recognition(platform::ocr::defaultDataPath());
    platform::FileReading reading(book, QFont(), nullptr, {&recognition, u"en"_s});
    while (!reading.progress().text().startsWith(u"Recognising page"_s))
        QThread::msleep(2);
    QThread::msleep(1000);
    QElapsedTimer cancel;
    cancel.start();
    reading.progress().cancel();
    while (!reading.isDone())
        QThread::usleep(200);
    const double cancelMs = double(cancel.nsecsElapsed()) / 1e6;

    rows.push_back({"20 scanned pages to document (ours)", ours, "s", ""});
    rows.push_back({"20 scanned pages, pdftoppm + tesseract CLI x2", cli, "s", ""});
    rows.push_back({"ours / command line", ours / cli, "x", "<= 0.7"});
    rows.push_back({"peak memory (ours, whole process)", megabytes(self.ru_maxrss), "MB", "< 500"});
    rows.push_back({"Cancel to worker ended (window closes at once)", cancelMs, "ms", "<= 200"});
    bench::printTable("ocr", rows);
    return 0;
}
