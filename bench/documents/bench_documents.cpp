// Opening the formats that are read rather than written: a Word document
// and an OpenDocument text of 10 MB of RTF (made from the RTF benchmark's
// document by LibreOffice, whose own conversion to text is the reference),
// a 500-page PDF against pdftotext, and a long novel as an EPUB book.
// Each open runs in a fresh child process, so that its peak memory is its own.
#include "prose.h"

#include "platform/documents/documents.h"
#include "platform/richtextbox/richtextbox.h"

#include "benchtable.h"
#include "headless.h"
#include "zipwriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

/// Child: opens path into a shown editor as the window does (read on a
/// worker, then shown); prints milliseconds and peak MB.
int openChild(const QString& path)
{
    platform::RichTextBox box;
    box.resize(900, 700);
    box.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    platform::FileReading reading(path, box.document()->defaultFont());
    QEventLoop loop;
    QObject::connect(&reading, &platform::FileReading::finished, &loop, &QEventLoop::quit);
    loop.exec();
    platform::LoadedFile file = reading.take();
    if (file.refused || file.unreadable) {
        const platform::Error& error = file.refused ? *file.refused : *file.unreadable;
        std::fprintf(stderr, "%s\n", qPrintable(error.codeAndDescription()));
        return 1;
    }
    box.adoptFile(std::move(file));
    QApplication::processEvents();
    std::printf("%.1f %.1f\n", timer.nsecsElapsed() / 1e6, peakMegabytes());
    return 0;
}

/// Child: the best of three text extractions of a PDF, in milliseconds.
int extractChild(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray data = file.readAll();
    double best = 1e12;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto read =
            platform::readDocument(data, platform::DocumentFormat::Pdf, path, QFont());
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (!read.document)
            return 1;
    }
    std::printf("%.1f\n", best);
    return 0;
}

QStringList runChild(const QString& mode, const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {mode, path});
    child.waitForFinished(600000);
    const QStringList figures =
        QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(u' ');
    if (child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(mode), qPrintable(path),
                     child.readAllStandardError().constData());
        return {};
    }
    return figures;
}

/// Runs a program; its wall time in milliseconds, or a negative number.
double timed(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(900000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

double megabytes(const QString& path)
{
    return QFileInfo(path).size() / 1e6;
}

/// The RTF document cut after its paragraph that ends past size bytes: a
/// book-length piece of it.
bool writeCut(const QString& from, const QString& to, qsizetype size)
{
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray full = in.readAll();
    const qsizetype cut = full.indexOf("\\par\r\n", size);
    return cut > 0 && out.write(full.left(cut + 6) + "}") > 0;
}

/// The Word and OpenDocument rows: made by LibreOffice from the RTF
/// benchmark's 10 MB document and a book-length (2 MB) cut of it, opened
/// into the editor, LibreOffice's time to convert each to text beside them.
void officeRows(const QTemporaryDir& dir, std::vector<bench::Row>& rows)
{
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty()) {
        std::fprintf(stderr, "LibreOffice is missing: scripts/install-deps bench-documents\n");
        return;
    }
    if (QProcess::execute(QStringLiteral(PARLIVOX_BENCH_RTF), {u"--write"_s, dir.path()}) != 0)
        return;
    const QString profile = u"-env:UserInstallation=file://"_s + dir.filePath(u"lo"_s);
    if (!writeCut(dir.filePath(u"large.rtf"_s), dir.filePath(u"book.rtf"_s), 2'000'000))
        return;
    for (const auto& [base, size] : {std::pair{u"large"_s, ""}, std::pair{u"book"_s, " 2 MB"}}) {
        const QString rtf = dir.filePath(base + u".rtf"_s);
        for (const auto& [suffix, label] :
             {std::pair{u"docx"_s, "DOCX"}, std::pair{u"odt"_s, "ODT"}}) {
            const QStringList common = {profile, u"--headless"_s, u"--norestore"_s,
                                        u"--convert-to"_s};
            if (timed(soffice, common + QStringList{suffix, u"--outdir"_s, dir.path(), rtf}) < 0)
                continue;
            const QString path = dir.filePath(base + u'.' + suffix);
            const double reference =
                timed(soffice, common + QStringList{u"txt:Text"_s, u"--outdir"_s,
                                                    dir.filePath(suffix), path});
            const QStringList opened = runChild(u"--open"_s, path);
            const std::string name = std::string(label) + size;
            const bool large = *size == 0;
            rows.push_back({name + " file size", megabytes(path), "MB", ""});
            if (opened.size() == 2) {
                rows.push_back({name + " open into editor", opened[0].toDouble(), "ms",
                                large ? "< 1000" : "<= main's"});
                rows.push_back(
                    {name + " peak memory", opened[1].toDouble(), "MB", large ? "< 250" : ""});
            }
            rows.push_back({name + " LibreOffice to text (reference)", reference, "ms", ""});
        }
    }
}

/// A 500-page PDF of prose with page numbers, against pdftotext.
void pdfRows(const QTemporaryDir& dir, std::vector<bench::Row>& rows)
{
    const QString path = dir.filePath(u"long.pdf"_s);
    {
        const bench::Novel novel = bench::writeNovel(60, 5200, 7);
        QTextDocument document;
        document.setDefaultFont(QFont(u"DejaVu Serif"_s, 11));
        QString html;
        for (std::size_t c = 0; c < novel.chapters.size(); ++c) {
            html += u"<h2>"_s + novel.chapterTitles[qsizetype(c)] + u"</h2>"_s;
            for (const QString& paragraph : novel.chapters[c])
                html += u"<p>"_s + paragraph + u"</p>"_s;
        }
        document.setHtml(html);
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        document.print(&writer); // numbers the pages at their foot
    }
    QProcess info;
    info.start(u"pdfinfo"_s, {path});
    info.waitForFinished();
    const QString pages = QString::fromLatin1(info.readAllStandardOutput())
                              .section(u"Pages:"_s, 1)
                              .trimmed()
                              .section(u'\n', 0, 0);
    double pdftotext = 1e12;
    for (int i = 0; i < 3; ++i)
        pdftotext = std::min(pdftotext, timed(u"pdftotext"_s, {path, dir.filePath(u"long.txt"_s)}));
    const QStringList ours = runChild(u"--extract"_s, path);
    rows.push_back({"PDF pages", pages.toDouble(), "", "500"});
    if (!ours.isEmpty())
        rows.push_back({"PDF text extraction", ours[0].toDouble(), "ms", "<= pdftotext"});
    rows.push_back({"pdftotext on the same file (reference)", pdftotext, "ms", ""});
}

/// A long novel as an EPUB 3 book of chapter files.
void epubRows(const QTemporaryDir& dir, std::vector<bench::Row>& rows)
{
    const bench::Novel novel = bench::writeNovel(40, 4500, 11);
    std::vector<testzip::Entry> entries = {
        {u"mimetype"_s, "application/epub+zip"},
        {u"META-INF/container.xml"_s,
         "<container><rootfiles><rootfile full-path=\"OEBPS/book.opf\" "
         "media-type=\"application/oebps-package+xml\"/></rootfiles></container>"}};
    QByteArray manifest, spine;
    for (std::size_t c = 0; c < novel.chapters.size(); ++c) {
        const QByteArray id = "c" + QByteArray::number(qulonglong(c));
        QString xhtml =
            u"<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://www.w3.org/"
            u"1999/xhtml\"><head><title>x</title></head><body><h1>"_s +
            novel.chapterTitles[qsizetype(c)] + u"</h1>"_s;
        for (const QString& paragraph : novel.chapters[c])
            xhtml += u"<p>"_s + paragraph.toHtmlEscaped() + u"</p>\n"_s;
        xhtml += u"</body></html>"_s;
        entries.push_back({u"OEBPS/"_s + QString::fromLatin1(id) + u".xhtml"_s, xhtml.toUtf8()});
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"" + id + "\"/>";
    }
    entries.push_back({u"OEBPS/book.opf"_s,
                       "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata "
                       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" +
                           novel.title.toUtf8() + "</dc:title></metadata><manifest>" + manifest +
                           "</manifest><spine>" + spine + "</spine></package>"});
    const QString path = dir.filePath(u"novel.epub"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(testzip::make(entries)) < 0)
        return;
    file.close();
    const QStringList opened = runChild(u"--open"_s, path);
    rows.push_back({"EPUB novel words", double(novel.words), "", ""});
    if (opened.size() == 2) {
        rows.push_back({"EPUB open into editor", opened[0].toDouble(), "ms", "< 1000"});
        rows.push_back({"EPUB peak memory", opened[1].toDouble(), "MB", ""});
    }
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == u"--open"_s)
        return openChild(args[2]);
    if (args.size() == 3 && args[1] == u"--extract"_s)
        return extractChild(args[2]);

    // Arguments name the rows to run ("office", "pdf", "epub"); none, all.
    const QStringList only = args.mid(1);
    const auto wanted = [&](const QString& rows) {
        return only.isEmpty() || only.contains(rows);
    };
    QTemporaryDir dir;
    std::vector<bench::Row> rows;
    if (wanted(u"office"_s))
        officeRows(dir, rows);
    if (wanted(u"pdf"_s))
        pdfRows(dir, rows);
    if (wanted(u"epub"_s))
        epubRows(dir, rows);
    bench::printTable("documents", rows);
    return rows.empty() ? 1 : 0;
}
