// Timings of the document formats: RTF parsing, loading into the editor,
// saving, and the first search after a load, on generated large documents.
// Loads run in a fresh child process each, so that the peak memory it
// reports belongs to the load alone.
#include "platform/richtext/rtfreader.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "benchtable.h"
#include "headless.h"
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cstdio>
#include <random>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype rtfBytes = 10 * 1000 * 1000;
constexpr qsizetype textBytes = 20 * 1000 * 1000;
const QString marker = u"Zanzibar"_s; // once, near the end of each document

struct Row {
    QString name;
    double value;
    QString unit;
    QString goal;
};

/// A 10 MB RTF document of formatted paragraphs: fonts, sizes, bold and
/// italic runs, colours, alignments and non-ASCII text.
QByteArray generateRtf()
{
    std::mt19937 random(42);
    const auto pick = [&](int n) {
        return int(random() % unsigned(n));
    };
    static const char* const words[] = {"speech", "document", "reader",  "paragraph", "voice",
                                        "editor", "format",   "rhythm",  "quiet",     "window",
                                        "letter", "number",   "several", "through",   "moment"};
    static const char* const foreign[] = {"na\\'efve",          "Gr\\u252\\'fc\\u223\\'dfe",
                                          "\\u20013?\\u25991?", "\\u1055?\\u1088?\\u1080?",
                                          "caf\\'e9",           "\\u8364\\'80 5"};
    static const char* const align[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    QByteArray rtf;
    rtf.reserve(rtfBytes + 4096);
    rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times "
           "New Roman;}{\\f2\\fmodern Courier New;}{\\f3\\fswiss Verdana;}}\r\n{\\colortbl;"
           "\\red0\\green0\\blue0;\\red200\\green0\\blue0;\\red0\\green120\\blue0;\\red0\\green0"
           "\\blue200;}\r\n";
    bool markerWritten = false;
    while (rtf.size() < rtfBytes) {
        rtf += "\\pard";
        rtf += align[pick(4)];
        rtf += ' ';
        const int runs = 3 + pick(6);
        for (int r = 0; r < runs; ++r) {
            rtf += "{\\f" + QByteArray::number(pick(4)) + "\\fs" +
                   QByteArray::number(16 + 2 * pick(10)) + "\\cf" + QByteArray::number(pick(5));
            if (pick(4) == 0)
                rtf += "\\b";
            if (pick(5) == 0)
                rtf += "\\i";
            if (pick(9) == 0)
                rtf += "\\ul";
            rtf += ' ';
            const int count = 4 + pick(12);
            for (int w = 0; w < count; ++w) {
                rtf += pick(12) == 0 ? foreign[pick(6)] : words[pick(15)];
                rtf += ' ';
            }
            rtf += "}";
        }
        if (!markerWritten && rtf.size() > rtfBytes * 97 / 100) {
            rtf += "{\\b " + marker.toLatin1() + "}";
            markerWritten = true;
        }
        rtf += "\\par\r\n";
    }
    rtf += "}";
    return rtf;
}

/// A 20 MB UTF-8 plain-text file with CR LF line ends.
QByteArray generateText()
{
    const QByteArray line = u"The quick brown fox — naïve café, 中文 — jumps over the lazy dog "
                            u"again and again until the line is long enough.\r\n"_s.toUtf8();
    QByteArray text;
    text.reserve(textBytes + line.size());
    bool markerWritten = false;
    while (text.size() < textBytes) {
        if (!markerWritten && text.size() > textBytes * 97 / 100) {
            text += marker.toUtf8() + "\r\n";
            markerWritten = true;
        }
        text += line;
    }
    return text;
}

double rssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

/// Child mode: load path into a shown editor, save it, find the marker.
/// With waitForLayout the event loop runs until the editor's layout has
/// settled, as it does while a person opens the Find dialog.
int loadChild(const QString& path, int format, bool waitForLayout)
{
    const double before = rssMegabytes();
    platform::RichTextBox box;
    box.resize(900, 700);
    box.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    box.setFileName(path);
    QApplication::processEvents();
    const double load = timer.nsecsElapsed() / 1e6;
    double layout = 0, longestStep = 0;
    if (waitForLayout) {
        // Settled when the laid-out height has not changed for 300 ms: a
        // layout that lays out only what is shown settles at once.
        timer.restart();
        qint64 changed = 0;
        qreal height = -1;
        while (timer.elapsed() - changed < 300 && timer.elapsed() < 60000) {
            QElapsedTimer step;
            step.start();
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            longestStep = std::max(longestStep, step.nsecsElapsed() / 1e6);
            const qreal now = box.document()->documentLayout()->documentSize().height();
            if (now != height) {
                height = now;
                changed = timer.elapsed();
            }
        }
        layout = double(changed);
    }
    const double peak = rssMegabytes();

    timer.restart();
    const int found = box.Find(marker, 0, 0);
    QApplication::processEvents();
    const double find = timer.nsecsElapsed() / 1e6;

    timer.restart();
    box.SaveFile(path + u".saved"_s, format);
    const double save = timer.nsecsElapsed() / 1e6;

    std::printf("%.1f %.1f %.1f %.1f %.1f %d %.1f %.1f\n", load, peak, before, find, save, found,
                layout, longestStep);
    return found >= 0 ? 0 : 1;
}

void printTable(const std::vector<Row>& rows)
{
    std::vector<bench::Row> table;
    for (const Row& row : rows)
        table.push_back(
            {row.name.toStdString(), row.value, row.unit.toStdString(), row.goal.toStdString()});
    bench::printTable("rtf", table);
}

QStringList runChild(const QString& path, int format, bool wait)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {u"--load"_s, path, QString::number(format), wait ? u"wait"_s : u"now"_s});
    child.waitForFinished(600000);
    const QStringList figures = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
    if (child.exitCode() != 0 || figures.size() < 8) {
        std::fprintf(stderr, "loading %s failed\n", qPrintable(path));
        return {};
    }
    return figures;
}

bool measureLoads(const QString& path, int format, const QString& label, std::vector<Row>& rows)
{
    const bool rtf = format == 0;
    const QStringList now = runChild(path, format, false);
    const QStringList later = runChild(path, format, true);
    if (now.isEmpty() || later.isEmpty())
        return false;
    const auto goal = [rtf](const char* text) {
        return rtf ? QString::fromLatin1(text) : u"-"_s;
    };
    rows.push_back({label + u" load into editor"_s, now[0].toDouble(), u"ms"_s, goal("< 1000")});
    rows.push_back({label + u" peak memory (load)"_s, now[1].toDouble(), u"MB"_s, goal("< 250")});
    rows.push_back({label + u" save"_s, now[4].toDouble(), u"ms"_s, goal("< 300")});
    rows.push_back(
        {label + u" first Find, right after load"_s, now[3].toDouble(), u"ms"_s, goal("< 150")});
    rows.push_back(
        {label + u" background layout done after"_s, later[6].toDouble(), u"ms"_s, u"-"_s});
    rows.push_back({label + u" longest UI step meanwhile"_s, later[7].toDouble(), u"ms"_s, u"-"_s});
    rows.push_back(
        {label + u" first Find, after layout"_s, later[3].toDouble(), u"ms"_s, goal("< 150")});
    rows.push_back(
        {label + u" peak memory (laid out)"_s, later[1].toDouble(), u"MB"_s, goal("< 250")});
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 5 && args[1] == u"--load"_s)
        return loadChild(args[2], args[3].toInt(), args[4] == u"wait"_s);
    if (args.size() == 3 && args[1] == u"--write"_s) { // the documents, to look at
        QFile rtf(args[2] + u"/large.rtf"_s), text(args[2] + u"/large.txt"_s);
        return rtf.open(QIODevice::WriteOnly) && rtf.write(generateRtf()) > 0 &&
                       text.open(QIODevice::WriteOnly) && text.write(generateText()) > 0
                   ? 0
                   : 1;
    }

    QTemporaryDir dir;
    const QString rtfPath = dir.filePath(u"large.rtf"_s);
    const QString textPath = dir.filePath(u"large.txt"_s);
    std::vector<Row> rows;
    {
        const QByteArray rtf = generateRtf();
        QFile out(rtfPath);
        out.open(QIODevice::WriteOnly);
        out.write(rtf);
        out.close();

        double best = 1e9;
        std::size_t paragraphs = 0;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            const platform::RtfContent content = platform::parseRtf(rtf);
            best = std::min(best, timer.nsecsElapsed() / 1e9);
            paragraphs = content.paragraphs.size();
        }
        rows.push_back({u"RTF size"_s, rtf.size() / 1e6, u"MB"_s, u"10"_s});
        rows.push_back({u"RTF paragraphs"_s, double(paragraphs), u""_s, u""_s});
        rows.push_back({u"RTF parse alone"_s, rtf.size() / 1e6 / best, u"MB/s"_s, u">= 100"_s});

        const platform::RtfContent content = platform::parseRtf(rtf);
        QElapsedTimer timer;
        timer.start();
        const auto document = platform::buildDocument(content, QFont());
        rows.push_back(
            {u"RTF build detached document"_s, timer.nsecsElapsed() / 1e6, u"ms"_s, u""_s});
    }
    {
        QFile out(textPath);
        out.open(QIODevice::WriteOnly);
        out.write(generateText());
    }
    bool ok = measureLoads(rtfPath, 0, u"RTF (a)"_s, rows);
    ok = measureLoads(textPath, 1, u"text (b)"_s, rows) && ok;
    printTable(rows);
    return ok ? 0 : 1;
}
