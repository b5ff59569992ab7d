// Speech benchmark: a plain timed program. Prints one table of
// name / value / unit / goal.
//
// (a) PlayText to the first sample queued for the sound device, for a 1-page
//     and a 500-page document, against espeak-ng's own time to synthesize the
//     document's first sentence;
// (b) the last sample played to the window back at idle;
// (c) CPU used while speaking about 20 s (dummy sound driver), beyond what
//     espeak-ng alone needs to synthesize the same text, with Follow the
//     Reading off and on;
// (d) with it on, the time from the device taking a word's first sample to
//     the editor painting its highlight;
// (e) splitting a 500-page novel with dialogue into sentences, with ICU's
//     rules and abbreviations against the plain splitter that looked only at
//     marks and line breaks;
// (f) a sentence on, a sentence back and a jump (double click) to the first
//     sample of the new sentence taken by the device, in a 500-page reading.
//
// espeak-ng alone runs in a child process forked before anything else starts,
// because the library can be started only once per process.
#include "benchtable.h"
#include "main_window_parts.h"
#include "ordinarypage.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/settingskeys.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/qtservices.h"
#include "parlivox/speech/logic/speechtext.h"
#include "parlivox/speech/session.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/sentences.h"
#include "platform/speech/spvoice.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

/// Repetitions of each timing; the table shows their median.
constexpr int runs = 25;

namespace {

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return t.tv_sec + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString document(int pages)
{
    const QString page = bench::ordinaryPage();
    QString text;
    text.reserve(page.size() * pages);
    for (int i = 0; i < pages; ++i)
        text += page;
    return text;
}

const QString twentySeconds =
    u"Speech synthesis turns written text into sound. The editor hands the document to the "
    "engine one sentence at a time, and the engine produces samples much faster than they are "
    "played. The window polls the engine every millisecond and returns to its idle state when "
    "everything has been spoken, which should cost almost nothing."_s;

// ---- espeak-ng alone (child process) --------------------------------------------------

struct Reference {
    double firstSentence1 = 0; ///< ms to synthesize the 1-page document's first sentence
    double firstSentence500 = 0;
    double firstBuffer = 0; ///< ms to its first samples
    double cpu20 = 0;       ///< CPU seconds to synthesize twentySeconds alone
    double audio20 = 0;     ///< seconds of sound that text makes
};

long referenceSamples = 0;
Clock::time_point referenceFirst;
bool referenceGotFirst = false;

int referenceCallback(short* samples, int count, espeak_EVENT*)
{
    if (samples && count > 0 && !referenceGotFirst) {
        referenceGotFirst = true;
        referenceFirst = Clock::now();
    }
    if (samples)
        referenceSamples += count;
    return 0;
}

/// Synthesizes text the way the engine cuts it: sentence by sentence.
void synthesizeLikeTheEngine(const QString& text, bool firstOnly)
{
    platform::speech::SentenceSplitter splitter("en-gb");
    qsizetype pos = platform::speech::skipBlanks(text, 0);
    while (pos < text.size()) {
        const qsizetype end = splitter.end(text, pos);
        const QByteArray utf8 = QStringView(text).sliced(pos, end - pos).trimmed().toUtf8() + ' ';
        espeak_Synth(utf8.constData(), static_cast<std::size_t>(utf8.size()) + 1, 0, POS_CHARACTER,
                     0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
        if (firstOnly)
            return;
        pos = platform::speech::skipBlanks(text, end);
    }
}

Reference measureReference()
{
    Reference r;
    espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 20, nullptr, espeakINITIALIZE_DONT_EXIT);
    espeak_SetSynthCallback(&referenceCallback);
    espeak_SetVoiceByName("gmw/en");
    espeak_SetParameter(espeakRATE, 175, 0);
    synthesizeLikeTheEngine(document(1), true); // the library loads some data on first use
    const auto firstSentence = [](const QString& text, double* firstBuffer) {
        std::vector<double> whole;
        std::vector<double> first;
        for (int i = 0; i < runs; ++i) {
            referenceGotFirst = false;
            const Clock::time_point start = Clock::now();
            synthesizeLikeTheEngine(text, true);
            whole.push_back(ms(Clock::now() - start));
            first.push_back(ms(referenceFirst - start));
        }
        if (firstBuffer)
            *firstBuffer = median(first);
        return median(whole);
    };
    r.firstSentence1 = firstSentence(document(1), &r.firstBuffer);
    r.firstSentence500 = firstSentence(document(500), nullptr);
    referenceSamples = 0;
    const double cpuStart = cpuSeconds();
    synthesizeLikeTheEngine(twentySeconds, false);
    r.cpu20 = cpuSeconds() - cpuStart;
    r.audio20 = referenceSamples / 22050.0;
    return r;
}

Reference referenceInChild()
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const Reference r = measureReference();
        const ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == sizeof r ? 0 : 1);
    }
    close(fds[1]);
    Reference r;
    const ssize_t got = read(fds[0], &r, sizeof r);
    close(fds[0]);
    waitpid(child, nullptr, 0);
    if (got != sizeof r)
        std::fprintf(stderr, "espeak-ng reference failed\n");
    return r;
}

// ---- sentences ----------------------------------------------------------------------------

/// The splitter before ICU decided: a sentence ended after any mark followed
/// by white space, and at every line break (kept here as the reference).
qsizetype plainSentenceEnd(QStringView text, qsizetype begin)
{
    const auto isLineBreak = [](QChar c) {
        return c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator || c == u'\f' || c == u'\v';
    };
    const auto isMark = [](QChar c) {
        return c == u'.' || c == u'!' || c == u'?' || c == u'\u2026' || c == u'\u3002' ||
               c == u'\uFF01' || c == u'\uFF1F';
    };
    const auto isCloser = [](QChar c) {
        return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == u'}' || c == u'\u201D' ||
               c == u'\u2019' || c == u'\u00BB';
    };
    const qsizetype size = text.size();
    const qsizetype limit = std::min(size, begin + platform::speech::maxSentenceLength);
    for (qsizetype i = begin; i < limit; ++i) {
        const QChar c = text[i];
        if (isLineBreak(c))
            return i > begin ? i : i + 1;
        if (!isMark(c))
            continue;
        qsizetype end = i + 1;
        while (end < limit && (isMark(text[end]) || isCloser(text[end])))
            ++end;
        if (end == size || (end < size && text[end].isSpace()))
            return end;
        i = end - 1;
    }
    if (limit == size)
        return size;
    for (qsizetype i = limit; i > begin + 1; --i) {
        if (text[i - 1].isSpace())
            return i;
    }
    return limit;
}

/// A page of a novel: dialogue, abbreviations, initials, numbers, blank lines.
QString novelPage()
{
    const QString paragraphs[] = {
        u"\u201CMy dear Mr. Bennet,\u201D said his lady to him one day, \u201Chave you heard "
        "that Netherfield Park is let at last?\u201D"_s,
        u"Mr. Bennet replied that he had not."_s,
        u"\u201CBut it is,\u201D returned she; \u201Cfor Mrs. Long has just been here, and "
        "she told me all about it.\u201D"_s,
        u"Mr. Bennet made no answer. Dr. J. R. Jones, of St. Albans, came at 5 p.m. on the "
        "3rd, i.e. late, with No. 12 and the rest, etc. Nobody knew why."_s,
        u"\u201CDo you not want to know who has taken it?\u201D cried his wife impatiently. "
        "\u201CWell... I suppose so!\u201D he said at last."_s,
        QString(),
    };
    QString page;
    while (page.size() < 3000) {
        for (const QString& paragraph : paragraphs)
            page += paragraph + u"\r\n"_s;
    }
    return page;
}

/// ms to split text whole; count is the number of sentences.
template <typename Split> double splitMs(const QString& text, Split split, qsizetype& count)
{
    const Clock::time_point start = Clock::now();
    count = 0;
    for (qsizetype pos = platform::speech::skipBlanks(text, 0); pos < text.size();
         pos = platform::speech::skipBlanks(text, split(text, pos)))
        ++count;
    return ms(Clock::now() - start);
}

// ---- Parlivox ----------------------------------------------------------------------------

struct Row {
    std::string name;
    double value;
    std::string unit;
    std::string goal;
};

class Session {
public:
    Session() : state(services.services().speech), w(services.services(), state, QString())
    {
        w.Form_Load();
    }
    platform::SpVoice& voice() { return dynamic_cast<platform::SpVoice&>(state.objVoice()); }

    /// ms from the start command to the first sample queued for the device.
    double timeToFirstSound(bool stop = true)
    {
        const Clock::time_point start = Clock::now();
        parts(w).speech().mnuConvertAll_Click();
        while (!voice().counters().firstSampleQueued)
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        const double result = ms(*voice().counters().firstSampleQueued - start);
        if (stop)
            parts(w).speech().StopText();
        return result;
    }

    void setFollow(bool on)
    {
        settingskeys::save(services.services().settings, settingskeys::Follow,
                           on ? u"1"_s : u"0"_s);
    }

    QtEditorServices services;
    AppState state;
    frmMain w;
    platform::RichTextBox* editor = w.findChild<platform::RichTextBox*>(u"txtConvert"_s);
    QTimer* tmrSpk = w.findChild<QTimer*>(u"tmrSpk"_s);
};

/// Times each paint of the editor that shows a new word highlighted, from
/// the moment the device took that word's first sample.
class HighlightTimer : public QObject {
public:
    explicit HighlightTimer(Session& session) : m_session(session) {}
    std::vector<double> latencies;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QList<QTextEdit::ExtraSelection> extras = m_session.editor->extraSelections();
            const auto reached = m_session.voice().counters().wordReached;
            if (extras.size() == 2 && reached && extras[1].cursor.position() != m_word) {
                m_word = extras[1].cursor.position();
                latencies.push_back(ms(Clock::now() - *reached));
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Session& m_session;
    int m_word = -1;
};

/// Speaks text to its end in the ordinary event loop; returns wall seconds
/// and CPU seconds.
std::pair<double, double> speakThrough(Session& s, const QString& text)
{
    s.editor->setText(text);
    const double cpuStart = cpuSeconds();
    const Clock::time_point start = Clock::now();
    parts(s.w).speech().mnuConvertAll_Click();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (!s.tmrSpk->isActive())
            loop.quit();
    });
    check.start(100);
    loop.exec();
    return {std::chrono::duration<double>(Clock::now() - start).count(), cpuSeconds() - cpuStart};
}

/// (e) Splitting a novel as the engine is given it.
void splittingRows(std::vector<Row>& rows)
{
    QString novel;
    for (int i = 0; i < 500; ++i)
        novel += novelPage();
    novel = speechtext::prepare(novel, QTime(12, 0), QDate(2026, 1, 1), QLocale::c());
    qsizetype plainCount = 0;
    qsizetype icuCount = 0;
    platform::speech::SentenceSplitter splitter("en-gb");
    // Taken turn about, the best of many: other work on the machine slows
    // single runs by several times.
    double plain = 1e9;
    double icu = 1e9;
    for (int i = 0; i < 21; ++i) {
        plain = std::min(plain, splitMs(novel, plainSentenceEnd, plainCount));
        icu = std::min(icu, splitMs(
                                novel,
                                [&splitter](QStringView text, qsizetype pos) {
                                    return splitter.end(text, pos);
                                },
                                icuCount));
    }
    rows.push_back({"500-page novel: characters", static_cast<double>(novel.size()), "chars", "-"});
    rows.push_back({"split, plain splitter (marks and line breaks), best of 21", plain, "ms", "-"});
    rows.push_back({"split, sentences as heard (ICU), best of 21", icu, "ms", "-"});
    rows.push_back({"split, as heard / plain", icu / plain, "x", "< 1.5"});
    rows.push_back(
        {"sentences, plain splitter", static_cast<double>(plainCount), "sentences", "-"});
    rows.push_back({"sentences as heard", static_cast<double>(icuCount), "sentences", "-"});
}

/// (f) Moving the reading of a 500-page document: the time from the key to
/// the device taking the new sentence's first sample.
void movingRows(Session& s, std::vector<Row>& rows)
{
    s.w.hide();
    s.editor->setText(document(500));
    parts(s.w).speech().mnuConvertAll_Click();
    const auto waitForSentence = [&s](Clock::time_point after) {
        const Clock::time_point give = after + std::chrono::seconds(2);
        for (;;) {
            const auto reached = s.voice().counters().sentenceReached;
            if (reached && *reached > after)
                return ms(*reached - after);
            if (Clock::now() > give)
                return ms(give - after);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    };
    waitForSentence(Clock::now() - std::chrono::hours(1));
    std::vector<double> forward;
    std::vector<double> back;
    std::vector<double> jump;
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        Clock::time_point start = Clock::now();
        parts(s.w).speech().skipSentence(1);
        forward.push_back(waitForSentence(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        start = Clock::now();
        parts(s.w).speech().skipSentence(-1);
        back.push_back(waitForSentence(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        start = Clock::now();
        parts(s.w).speech().jumpTo(
            static_cast<int>(s.editor->document()->characterCount() * (i + 1) / 21));
        jump.push_back(waitForSentence(start));
    }
    parts(s.w).speech().StopText();
    const auto addMove = [&rows](const char* what, std::vector<double> values) {
        std::sort(values.begin(), values.end());
        rows.push_back(
            {std::string(what) + " to its first sample, median", median(values), "ms", "< 50"});
        rows.push_back(
            {std::string(what) + " to its first sample, max", values.back(), "ms", "< 50"});
    };
    addMove("a sentence on", forward);
    addMove("a sentence back", back);
    addMove("a jump (double click) in 500 pages", jump);
}

} // namespace

int main(int argc, char* argv[])
{
    const Reference reference = referenceInChild();

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Parlivox"_s);

    Session s;
    std::vector<Row> rows;

    // (a) The first start also loads the voices, the Options dialog and the
    // sound device; later starts are what a user meets every time.
    s.editor->setText(document(1));
    const double cold = s.timeToFirstSound();
    std::vector<double> page1;
    for (int i = 0; i < runs; ++i)
        page1.push_back(s.timeToFirstSound());
    std::vector<double> picked;
    for (int i = 0; i < runs; ++i) {
        s.timeToFirstSound(false);
        while (!s.voice().counters().firstSamplePlayed)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        picked.push_back(
            ms(*s.voice().counters().firstSamplePlayed - *s.voice().counters().firstSampleQueued));
        parts(s.w).speech().StopText();
    }
    s.editor->setText(document(500));
    std::vector<double> page500;
    for (int i = 0; i < runs; ++i)
        page500.push_back(s.timeToFirstSound());
    rows.push_back({"first sound, first start (1 page)", cold, "ms", "-"});
    rows.push_back({"first sound, 1-page document", median(page1), "ms", "< 30"});
    rows.push_back(
        {"espeak-ng alone: first sentence, 1 page", reference.firstSentence1, "ms", "-"});
    rows.push_back({"first sound / espeak-ng first sentence, 1 page",
                    median(page1) / reference.firstSentence1, "x", "< 2"});
    s.setFollow(true);
    std::vector<double> page500Follow;
    for (int i = 0; i < runs; ++i)
        page500Follow.push_back(s.timeToFirstSound());
    s.setFollow(false);
    rows.push_back({"first sound, 500-page document", median(page500), "ms", "< 30"});
    rows.push_back(
        {"first sound, 500 pages, following the reading", median(page500Follow), "ms", "< 30"});
    rows.push_back(
        {"espeak-ng alone: first sentence, 500 pages", reference.firstSentence500, "ms", "-"});
    rows.push_back({"first sound / espeak-ng first sentence, 500 pages",
                    median(page500) / reference.firstSentence500, "x", "< 2"});
    rows.push_back(
        {"espeak-ng alone: first samples of a sentence", reference.firstBuffer, "ms", "-"});
    rows.push_back({"queued to taken by the device (dummy driver)", median(picked), "ms", "-"});

    // (b) From the moment the device asks for more after the last sample to
    // the window back at idle, through the window's own timer.
    s.editor->setText(u"Hello there."_s);
    std::vector<double> toIdle;
    for (int i = 0; i < 10; ++i) {
        parts(s.w).speech().mnuConvertAll_Click();
        while (s.tmrSpk->isActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const Clock::time_point idle = Clock::now();
        toIdle.push_back(ms(idle - *s.voice().counters().playbackEnded));
    }
    rows.push_back({"last sample played to idle", median(toIdle), "ms", "< 20"});

    // (c) A session of about 20 s in the ordinary event loop, the window on
    // screen, without and with the highlight; (d) the highlight's delay.
    s.w.show();
    const auto [wall, cpu] = speakThrough(s, twentySeconds);
    HighlightTimer highlights(s);
    s.editor->viewport()->installEventFilter(&highlights);
    s.setFollow(true);
    const auto [wallFollow, cpuFollow] = speakThrough(s, twentySeconds);
    s.setFollow(false);
    s.editor->viewport()->removeEventFilter(&highlights);
    rows.push_back({"speaking time", wall, "s", "~20"});
    rows.push_back({"CPU while speaking (whole process)", cpu / wall * 100, "% of a core", "-"});
    rows.push_back({"espeak-ng alone: CPU to synthesize it", reference.cpu20 / wall * 100,
                    "% of a core", "-"});
    rows.push_back(
        {"CPU beyond synthesis", (cpu - reference.cpu20) / wall * 100, "% of a core", "< 3"});
    rows.push_back({"CPU while speaking, following the reading", cpuFollow / wallFollow * 100,
                    "% of a core", "-"});
    rows.push_back({"CPU beyond synthesis, following the reading",
                    (cpuFollow - reference.cpu20) / wallFollow * 100, "% of a core", "< 3"});
    if (!highlights.latencies.empty()) {
        std::vector<double> sorted = highlights.latencies;
        std::sort(sorted.begin(), sorted.end());
        rows.push_back({"words highlighted", static_cast<double>(sorted.size()), "words", "-"});
        rows.push_back({"word's first sample taken to highlight painted, median", median(sorted),
                        "ms", "< 30"});
        rows.push_back(
            {"word's first sample taken to highlight painted, max", sorted.back(), "ms", "< 30"});
    }

    splittingRows(rows);
    movingRows(s, rows);

    std::vector<bench::Row> table;
    for (const Row& row : rows)
        table.push_back({row.name, row.value, row.unit, row.goal == "-" ? "" : row.goal});
    bench::printTable("speech", table);
    return 0;
}
