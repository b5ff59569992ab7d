// Find Next over a 10 MB document for a word near its end, with the whole-word
// and match-case options on and off, measured through the find dialog on a
// shown editor. `grep -c` over the same file is the floor.
#include "parlivox/common/logic/appstate.h"
#include "parlivox/formatting/frmFind.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/voice.h"
#include "platform/ui/messagebox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include "benchtable.h"
#include "headless.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString target = u"Quillfeather"_s;
constexpr qsizetype documentBytes = 10 * 1024 * 1024;
constexpr double goalMs = 150;

/// No voice is needed to search.
class NoSpeech final : public platform::SpeechEngine {
public:
    std::unique_ptr<platform::ISpeechVoice> createVoice() override { return nullptr; }
};

/// Answers the not-found message without showing it.
class QuietMessageBox final : public platform::MessageBox {
public:
    platform::MsgResult show(const QString&, const QString&, platform::MsgButtons,
                             platform::MsgIcon) override
    {
        ++shown;
        return platform::MsgResult::OK;
    }
    int shown = 0;
};

/// Paragraphs of ordinary words, with the target once, near the end.
QByteArray makeDocument()
{
    static const char* words[] = {
        "the",     "reading", "voice",    "letter", "morning", "quiet",    "garden",  "window",
        "river",   "paper",   "evening",  "music",  "station", "bright",   "several", "holiday",
        "feather", "quill",   "document", "speech", "careful", "orange",   "country", "between",
        "little",  "answer",  "Feathers", "Quills", "number",  "tomorrow", "kitchen", "pencil"};
    QRandomGenerator random(20240601);
    QByteArray text;
    text.reserve(documentBytes + 1024);
    qsizetype paragraph = 0;
    bool placed = false;
    while (text.size() < documentBytes) {
        if (!placed && text.size() > documentBytes - 4096) {
            text += target.toLatin1() + ' ';
            placed = true;
        }
        text += words[random.bounded(static_cast<int>(std::size(words)))];
        if (text.size() - paragraph > 480) {
            text += ".\n";
            paragraph = text.size();
        } else {
            text += ' ';
        }
    }
    return text;
}

struct Row {
    QString name;
    double value;
    QString unit;
    QString goal;
};

/// The file opened in a shown editor, as the main window shows it.
struct OpenDocument {
    explicit OpenDocument(const QString& path) : editor(std::make_unique<platform::RichTextBox>())
    {
        editor->resize(1000, 700);
        QElapsedTimer timer;
        timer.start();
        editor->setFileName(path);
        editor->show();
        QCoreApplication::processEvents();
        openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    /// Lets the editor lay out the rest of the document in the background;
    /// it has settled when the laid-out height has not grown for 300 ms.
    double waitForLayout()
    {
        QElapsedTimer since;
        since.start();
        qint64 lastChange = 0;
        qreal height = -1;
        while (since.elapsed() - lastChange < 300 && since.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            const qreal now = editor->document()->documentLayout()->documentSize().height();
            if (now != height) {
                height = now;
                lastChange = since.elapsed();
            }
        }
        return static_cast<double>(lastChange);
    }

    std::unique_ptr<platform::RichTextBox> editor;
    double openMs = 0;
};

double grepMs(const QString& file, const QStringList& options, int& count)
{
    QElapsedTimer timer;
    timer.start();
    QProcess grep;
    grep.start(u"grep"_s, options + QStringList{u"-c"_s, target, file});
    grep.waitForFinished(-1);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    count = grep.readAllStandardOutput().trimmed().toInt();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"large.txt"_s);
    const QByteArray content = makeDocument();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return EXIT_FAILURE;
    }
    const int expected = static_cast<int>(content.indexOf(target.toLatin1()));

    std::vector<Row> rows;
    rows.push_back({u"document size"_s, content.size() / 1048576.0, u"MB"_s, QString()});

    NoSpeech engine;
    QuietMessageBox messageBox;
    const struct {
        const char16_t* name;
        bool wholeWord;
        bool matchCase;
        QStringList grepOptions;
    } variants[] = {
        {u"plain", false, false, {u"-i"_s}},
        {u"whole word", true, false, {u"-i"_s, u"-w"_s}},
        {u"match case", false, true, {}},
        {u"whole word + match case", true, true, {u"-w"_s}},
    };
    bool allFound = true;
    double openMs = 0;
    double settleMs = 0;
    for (const auto& variant : variants) {
        const QString name = QString::fromUtf16(variant.name);
        // The first search right after opening pays for laying out the text
        // above the match; once the editor's background layout has settled,
        // only the search is left.
        for (const bool settled : {false, true}) {
            OpenDocument document(path);
            openMs = document.openMs;
            if (settled)
                settleMs = document.waitForLayout();
            AppState state(engine);
            frmFind dialog(*document.editor, state, messageBox);
            // As the user fills the dialog in.
            dialog.findChild<QLineEdit*>(u"txtFind"_s)->setText(target);
            dialog.findChild<QCheckBox*>(u"chkWord"_s)->setChecked(variant.wholeWord);
            dialog.findChild<QCheckBox*>(u"chkCase"_s)->setChecked(variant.matchCase);

            QElapsedTimer timer;
            timer.start();
            dialog.cmdFind_Click();
            QCoreApplication::processEvents(); // the repaint at the match
            const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            allFound = allFound && document.editor->SelStart() == expected;
            rows.push_back({u"find next, "_s + name + (settled ? u", settled"_s : u", at once"_s),
                            ms, u"ms"_s, u"< 150"_s});
        }
        int count = 0;
        const double grep = grepMs(path, variant.grepOptions, count);
        rows.push_back({u"grep -c "_s + variant.grepOptions.join(u' ') + u" (floor)"_s, grep,
                        u"ms"_s, QString()});
        allFound = allFound && count == 1;
    }
    rows.insert(rows.begin() + 1, {u"open, shown"_s, openMs, u"ms"_s, QString()});
    rows.insert(rows.begin() + 2,
                {u"background layout settled after"_s, settleMs, u"ms"_s, QString()});

    bool metSettled = true;
    bool metAtOnce = true;
    std::vector<bench::Row> table;
    for (const Row& row : rows) {
        table.push_back(
            {row.name.toStdString(), row.value, row.unit.toStdString(), row.goal.toStdString()});
        if (!row.goal.isEmpty() && row.value >= goalMs)
            (row.name.endsWith(u"settled"_s) ? metSettled : metAtOnce) = false;
    }
    bench::printTable("find", table);
    std::printf("matches found where expected: %s; goal met once the layout has settled: %s, "
                "at once after opening: %s\n",
                allFound ? "yes" : "NO", metSettled ? "yes" : "NO", metAtOnce ? "yes" : "NO");
    return allFound ? EXIT_SUCCESS : EXIT_FAILURE;
}
