// The editor on large documents, in the process: open to the first paint,
// the first Find Next of the last paragraph's word issued at once, the jump
// to the middle, typing a key there and scrolling a page. This editor (its
// lazy layout) and a plain QTextEdit on Qt's own layout (the editor before
// it) work on the same documents, each in a child process of its own.
//
//   bench_layout
#include "largedocs.h"

#include "platform/documents/filereading.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>

#include "benchtable.h"
#include "headless.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double msSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values.empty() ? 0 : values[std::min(at, values.size() - 1)];
}

void report(const char* figure, double value)
{
    std::printf("%s\t%.2f\n", figure, value);
}

/// Runs the event loop until the document's laid-out size has not changed
/// for 300 ms: Qt's own layout goes on in the background.
double waitUntilSettled(const QTextEdit& editor)
{
    QElapsedTimer since;
    since.start();
    qint64 changed = 0;
    QSizeF size;
    while (since.elapsed() - changed < 300 && since.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QSizeF now = editor.document()->documentLayout()->documentSize();
        if (now != size) {
            size = now;
            changed = since.elapsed();
        }
    }
    return static_cast<double>(changed);
}

/// Lets the event loop run for ms, as between a person's key presses.
void idle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

/// Sends a key and lets the editor handle it and paint; returns the time.
/// Keys come at a quick typist's pace, ten a second.
double press(QWidget& editor, Qt::Key key, const QString& text = QString())
{
    idle(100);
    QElapsedTimer timer;
    timer.start();
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&editor, &down);
    QApplication::sendEvent(&editor, &up);
    QCoreApplication::processEvents();
    return msSince(timer);
}

/// The editor shown, then the file opened in it as Parlivox opens it.
std::unique_ptr<QTextEdit> openShown(bool lazy, const QString& path)
{
    platform::RichTextBox reader; // reads the file as the editor reads it
    platform::LoadedFile file = platform::readFile(path, reader.document()->defaultFont());
    std::unique_ptr<QTextEdit> editor;
    if (lazy) {
        editor = std::make_unique<platform::RichTextBox>();
    } else {
        editor = std::make_unique<QTextEdit>();
        editor->setAcceptRichText(false);
    }
    editor->resize(1000, 700);
    editor->show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    if (lazy) {
        static_cast<platform::RichTextBox&>(*editor).adoptFile(std::move(file));
    } else {
        file.document->setParent(editor.get());
        editor->setDocument(file.document.release());
    }
    QCoreApplication::processEvents();
    report("open to first paint", msSince(timer));
    return editor;
}

/// Find Next of the last paragraph's word at once, then the middle.
bool findAndJump(QTextEdit& editor)
{
    QElapsedTimer timer;
    timer.start();
    const QTextCursor found = editor.document()->find(bench::lastWord);
    editor.setTextCursor(found);
    QCoreApplication::processEvents();
    report("first Find Next at the end, at once", msSince(timer));

    timer.restart();
    QTextCursor middle(editor.document());
    middle.setPosition(editor.document()->characterCount() / 2);
    editor.setTextCursor(middle);
    QCoreApplication::processEvents();
    report("jump to the middle", msSince(timer));
    return !found.isNull();
}

void typeAndScroll(QTextEdit& editor)
{
    std::vector<double> keys;
    for (int i = 0; i < 200; ++i)
        keys.push_back(press(editor, Qt::Key_X, u"x"_s));
    report("typing in the middle, median", percentile(keys, 0.5));
    report("typing in the middle, 99th percentile", percentile(keys, 0.99));

    std::vector<double> pages;
    for (int i = 0; i < 40; ++i)
        pages.push_back(press(editor, Qt::Key_PageDown));
    report("Page Down, median", percentile(pages, 0.5));
    report("Page Down, slowest", percentile(pages, 1));

    std::vector<double> scrolls;
    QScrollBar& bar = *editor.verticalScrollBar();
    bar.setValue(bar.maximum() / 4);
    QCoreApplication::processEvents();
    for (int i = 0; i < 40; ++i) {
        idle(100);
        QElapsedTimer timer;
        timer.start();
        bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCoreApplication::processEvents();
        scrolls.push_back(msSince(timer));
    }
    report("scroll bar page, median", percentile(scrolls, 0.5));
    report("scroll bar page, slowest", percentile(scrolls, 1));
}

int child(bool lazy, const QString& path)
{
    const std::unique_ptr<QTextEdit> editor = openShown(lazy, path);
    if (!findAndJump(*editor))
        return 1;
    report("background layout settled after", waitUntilSettled(*editor));
    typeAndScroll(*editor);
    return 0;
}

/// The figures of one child, by name.
std::map<QString, double> run(bool lazy, const QString& path)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  {u"--child"_s, lazy ? u"lazy"_s : u"qt"_s, path});
    process.waitForFinished(600000);
    std::map<QString, double> figures;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 2)
            figures[QString::fromUtf8(parts[0])] = parts[1].toDouble();
    }
    if (process.exitCode() != 0)
        figures.clear();
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == u"--child"_s)
        return child(args[2] == u"lazy"_s, args[3]);

    const QTemporaryDir dir;
    bench::LargeDocuments docs;
    if (!bench::writeLargeDocuments(dir.path(), QStringLiteral(PARLIVOX_BENCH_RTF), docs)) {
        std::fprintf(stderr, "cannot write the documents\n");
        return 1;
    }
    const struct {
        const char* name;
        QString path;
        bool large;
    } files[] = {{"10 MB text", docs.text10, true},
                 {"10 MB RTF", docs.rtf10, true},
                 {"2 MB text", docs.text2, false},
                 {"2 MB RTF", docs.rtf2, false}};
    const std::map<QString, QString> largeGoals = {
        {u"first Find Next at the end, at once"_s, u"< 150"_s},
        {u"typing in the middle, median"_s, u"< 16"_s},
        {u"typing in the middle, 99th percentile"_s, u"< 16"_s},
        {u"Page Down, median"_s, u"< 16"_s},
        {u"scroll bar page, median"_s, u"< 16"_s}};
    std::vector<bench::Row> table;
    bool ok = true;
    for (const auto& file : files) {
        const std::map<QString, double> qt = run(false, file.path);
        const std::map<QString, double> lazy = run(true, file.path);
        ok = ok && !qt.empty() && !lazy.empty();
        for (const auto& [figure, value] : qt) {
            const std::string name = std::string(file.name) + ", " + figure.toStdString();
            QString goal;
            if (file.large && largeGoals.count(figure))
                goal = largeGoals.at(figure);
            else if (!file.large && figure != u"background layout settled after"_s)
                goal = u"<= %1"_s.arg(value, 0, 'f', 1);
            if (lazy.count(figure))
                table.push_back({name, lazy.at(figure), "ms", goal.toStdString()});
            table.push_back({name + " (Qt's layout)", value, "ms", ""});
        }
    }
    bench::printTable("layout", table);
    return ok ? 0 : 1;
}
