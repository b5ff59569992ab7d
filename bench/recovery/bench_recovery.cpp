// What a recovery snapshot costs the person typing: the editor holds a large
// document and a snapshot is taken, once with the keyboard at rest and once
// while a key is pressed every 40 ms in the middle of the text. Measured: the
// longest single pass of the event loop (one "UI step") that does the
// snapshot's work, the longest pass that handles a key press or paints (the
// editor's own cost, with and without a snapshot under way), and the time
// until the snapshot is on disk.
#include "main_window_parts.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/recovery/recovery.h"
#include "parlivox/shell/documents.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/qtservices.h"
#include "platform/richtextbox/richtextbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include "benchtable.h"
#include "headless.h"

#include <ctime>
#include <random>

using namespace Qt::StringLiterals;

namespace {

/// A formatted RTF document of about bytes: fonts, sizes, bold runs,
/// colours and alignments, paragraphs of some fifty words.
QByteArray generateRtf(qsizetype bytes)
{
    std::mt19937 random(42);
    const auto pick = [&](int n) {
        return int(random() % unsigned(n));
    };
    static const char* const words[] = {"speech", "document", "reader",  "paragraph", "voice",
                                        "editor", "format",   "rhythm",  "quiet",     "window",
                                        "letter", "number",   "several", "through",   "moment"};
    static const char* const align[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times "
                     "New Roman;}{\\f2\\fmodern Courier New;}}{\\colortbl;\\red200\\green0"
                     "\\blue0;\\red0\\green0\\blue200;}\r\n";
    while (rtf.size() < bytes) {
        rtf += "\\pard";
        rtf += align[pick(4)];
        for (int run = 0, runs = 3 + pick(6); run < runs; ++run) {
            rtf += "{\\f" + QByteArray::number(pick(3)) + "\\fs" +
                   QByteArray::number(16 + 2 * pick(10)) + "\\cf" + QByteArray::number(pick(3));
            if (pick(4) == 0)
                rtf += "\\b";
            rtf += ' ';
            for (int w = 0, count = 4 + pick(12); w < count; ++w) {
                rtf += words[pick(15)];
                rtf += ' ';
            }
            rtf += '}';
        }
        rtf += "\\par\r\n";
    }
    return rtf + '}';
}

struct Figures {
    double longestEditorStep = 0; ///< ms, the longest pass that handled a key or painted
    double longestOtherStep = 0;  ///< ms, the longest pass of the snapshot's own work
    double longestOtherCpu = 0;   ///< ms, the most processor time one such pass used
    double total = 0;             ///< ms
};

/// Processor time this thread has used: a pass that took long while using
/// little was waiting for a processor that other programs held.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

/// Tells the passes of the event loop that did the editor's own work (a key
/// press, painting, layout) from those that did only the snapshot's.
class EditorWork : public QObject {
public:
    bool seen = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::Paint:
        case QEvent::UpdateRequest:
        case QEvent::LayoutRequest:
            seen = true;
            break;
        default:
            break;
        }
        return false;
    }
};

/// Runs the event loop pass by pass until done() or limitMs, pressing a key
/// every 40 ms in the middle of the document when typing; measures the
/// longest passes.
Figures runWhile(platform::RichTextBox& editor, bool typing, const std::function<bool()>& done,
                 int limitMs)
{
    EditorWork work;
    qApp->installEventFilter(&work);
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, &editor, [&editor] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, u"x"_s);
        QCoreApplication::sendEvent(&editor, &press);
    });
    if (typing)
        keys.start(40);
    Figures figures;
    QElapsedTimer total;
    total.start();
    while (!done() && total.elapsed() < limitMs) {
        QElapsedTimer step;
        step.start();
        const double cpu = threadCpuMs();
        work.seen = false;
        QCoreApplication::processEvents();
        double& longest = work.seen ? figures.longestEditorStep : figures.longestOtherStep;
        longest = std::max(longest, step.nsecsElapsed() / 1e6);
        if (!work.seen)
            figures.longestOtherCpu = std::max(figures.longestOtherCpu, threadCpuMs() - cpu);
    }
    figures.total = total.nsecsElapsed() / 1e6;
    qApp->removeEventFilter(&work);
    return figures;
}

void measure(frmMain& window, const QString& folder, int megabytes, std::vector<bench::Row>& rows)
{
    const QString path = folder + u"/doc"_s + QString::number(megabytes) + u".rtf"_s;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(generateRtf(qsizetype(megabytes) * 1000 * 1000));
    file.close();
    parts(window).documents().openCommandLine(u"\""_s + path + u"\""_s);
    while (parts(window).documents().reading()) // the file is read by a worker
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    auto& editor = *window.findChild<platform::RichTextBox*>(u"txtConvert"_s);
    // The editor lays a large document out in the background: let it finish.
    QElapsedTimer layout;
    layout.start();
    while (editor.document()->lastBlock().layout()->lineCount() == 0 && layout.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    editor.setSelStart(int(editor.TextLength() / 2));
    const auto never = [] {
        return false;
    };
    const Figures typing = runWhile(editor, true, never, 2000);
    Recovery& recovery = parts(window).recovery();
    const auto written = [&] {
        return !recovery.busy();
    };
    recovery.snapshotNow();
    const Figures atRest = runWhile(editor, false, written, 120000);
    recovery.snapshotNow();
    const Figures whileTyping = runWhile(editor, true, written, 120000);

    const std::string size = ", " + std::to_string(megabytes) + " MB";
    rows.push_back(
        {"longest snapshot step, keyboard at rest" + size, atRest.longestOtherStep, "ms", "< 50"});
    rows.push_back(
        {"most processor time in one snapshot step" + size, atRest.longestOtherCpu, "ms", "-"});
    rows.push_back({"snapshot on disk after, keyboard at rest" + size, atRest.total, "ms", "-"});
    rows.push_back(
        {"longest snapshot step, typing" + size, whileTyping.longestOtherStep, "ms", "< 50"});
    rows.push_back({"most processor time in one snapshot step" + size, whileTyping.longestOtherCpu,
                    "ms", "-"});
    rows.push_back({"snapshot on disk after, typing" + size, whileTyping.total, "ms", "-"});
    rows.push_back(
        {"longest key press or paint, no snapshot" + size, typing.longestEditorStep, "ms", "-"});
    rows.push_back({"longest key press or paint, snapshot under way" + size,
                    whileTyping.longestEditorStep, "ms", "-"});
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QTemporaryDir scratch;
    // Snapshots go to a scratch state folder, never the user's.
    qputenv("XDG_STATE_HOME", scratch.path().toUtf8());
    QApplication app(argc, argv);

    QtEditorServices services;
    AppState state(services.services().speech);
    frmMain window(services.services(), state, QString());
    window.Form_Load();
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    std::vector<bench::Row> rows;
    for (int megabytes : {1, 10})
        measure(window, scratch.path(), megabytes, rows);
    bench::printTable("recovery", rows);
    return 0;
}
