// The real program in child processes: a termination signal keeps the
// changes, a crash leaves them to be offered, and a running instance's
// snapshot is never offered to another one. The program is its test variant,
// which types and answers its questions through tests/shell/testhooks.h.
#include "platform/richtext/rtfreader.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString typed = u"important unsaved work"_s;

class ParlivoxProcess {
public:
    /// Starts Parlivox with the test hooks in env (and arguments) and waits until it is up.
    ParlivoxProcess(const QString& home, const QStringList& hooks,
                    const QStringList& arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"SDL_AUDIODRIVER"_s, u"dummy"_s);
        env.insert(u"XDG_STATE_HOME"_s, home + u"/state"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
        for (const QString& hook : hooks)
            env.insert(hook.section(u'=', 0, 0), hook.section(u'=', 1));
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(PARLIVOX_TEST_PROGRAM), arguments);
        const QDeadlineTimer deadline(60000);
        while (!m_output.contains("ready\n") && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(200);
            m_output += m_process.readAllStandardOutput();
        }
        EXPECT_TRUE(m_output.contains("ready\n")) << m_process.readAllStandardError().constData();
    }
    ~ParlivoxProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    /// Sends signal and waits for the end (at most waitMs); true when the
    /// program ended normally with code 0.
    bool endWith(int signal, int waitMs = 60000)
    {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(waitMs))
            return false;
        m_errors += m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    /// What the program printed on standard error: its questions.
    const QByteArray& errors() const { return m_errors; }

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

QString textOf(const QString& rtfPath)
{
    QFile file(rtfPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return platform::buildDocument(platform::parseRtf(file.readAll()), QFont())->toPlainText();
}

QMap<QString, QString> report(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> values;
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype body = text.indexOf(u"\ntext="_s);
    for (const QString& line : text.left(body).split(u'\n'))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    values.insert(u"text"_s, text.mid(body + 6));
    return values;
}

struct RecoveryProcessTest : ::testing::Test {
    QTemporaryDir home;
    QString folder() const { return home.path() + u"/state/Parlivox/recovery"_s; }
    QStringList snapshots() const { return QDir(folder()).entryList({u"*.rtf"_s}, QDir::Files); }
    QString reportPath() const { return home.path() + u"/report.txt"_s; }
};

} // namespace

TEST_F(RecoveryProcessTest, SigtermKeepsTheTypedTextAndTheNextStartGivesItBack)
{
    {
        ParlivoxProcess editor(home.path(), {u"PARLIVOX_TEST_TYPE="_s + typed});
        EXPECT_TRUE(editor.endWith(SIGTERM)) << "ends normally";
        EXPECT_FALSE(editor.errors().contains("message box")) << "without a question";
    }
    const QStringList kept = snapshots();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(textOf(folder() + u'/' + kept[0]), typed);
    EXPECT_FALSE(QFile::exists(folder() + u'/' + kept[0].chopped(3) + u"lock"_s))
        << "its instance ended: nobody holds it";

    ParlivoxProcess next(
        home.path(), {u"PARLIVOX_TEST_ANSWERS=Yes"_s, u"PARLIVOX_TEST_REPORT="_s + reportPath()});
    EXPECT_TRUE(next.endWith(SIGTERM));
    EXPECT_TRUE(next.errors().contains("message box: Recover Changes?: Parlivox closed without "
                                       "saving the changes to Untitled ("))
        << next.errors().constData();
    const auto state = report(reportPath());
    EXPECT_EQ(state.value(u"text"_s), typed);
    EXPECT_EQ(state.value(u"blnChanged"_s), u"1"_s);
    EXPECT_EQ(state.value(u"caption"_s), u"Parlivox"_s);
    // Still unsaved when it ended, the text is kept again.
    ASSERT_EQ(snapshots().size(), 1);
    EXPECT_EQ(textOf(folder() + u'/' + snapshots()[0]), typed);
}

TEST_F(RecoveryProcessTest, ARunningInstancesSnapshotIsNotOfferedButACrashedOnesIs)
{
    ParlivoxProcess first(home.path(), {u"PARLIVOX_TEST_TYPE="_s + typed});
    // Its own snapshot comes a few seconds after the typing stops.
    const QDeadlineTimer deadline(30000);
    while (snapshots().isEmpty() && !deadline.hasExpired())
        QThread::msleep(100);
    ASSERT_EQ(snapshots().size(), 1) << "written while the program runs";
    QThread::msleep(300); // its side file follows the snapshot

    {
        ParlivoxProcess second(home.path(), {u"PARLIVOX_TEST_ANSWERS=Yes"_s,
                                             u"PARLIVOX_TEST_REPORT="_s + reportPath()});
        EXPECT_TRUE(second.endWith(SIGTERM));
        EXPECT_FALSE(second.errors().contains("Recover")) << second.errors().constData();
        EXPECT_EQ(report(reportPath()).value(u"text"_s), QString());
    }
    EXPECT_EQ(snapshots().size(), 1) << "the first one's snapshot is untouched";

    EXPECT_FALSE(first.endWith(SIGKILL)); // a crash: nothing runs at the end
    ParlivoxProcess third(
        home.path(), {u"PARLIVOX_TEST_ANSWERS=Yes"_s, u"PARLIVOX_TEST_REPORT="_s + reportPath()});
    EXPECT_TRUE(third.endWith(SIGTERM));
    EXPECT_TRUE(third.errors().contains("Recover Changes?")) << third.errors().constData();
    EXPECT_EQ(report(reportPath()).value(u"text"_s), typed);
    EXPECT_EQ(report(reportPath()).value(u"blnChanged"_s), u"1"_s);
}

TEST_F(RecoveryProcessTest, SigtermWhileAFileIsReadEndsAtOnceAndKeepsTheDocument)
{
    // A page of 900,000 paragraphs takes seconds to build: it is still being
    // read when the window is up.
    const QString page = home.path() + u"/long.html"_s;
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("<p>x").repeated(900'000));
    file.close();
    ParlivoxProcess editor(home.path(), {u"PARLIVOX_TEST_REPORT="_s + reportPath()}, {page});
    QElapsedTimer ending;
    ending.start();
    EXPECT_TRUE(editor.endWith(SIGTERM, 10000)) << "ends normally, without waiting for the file";
    EXPECT_LT(ending.elapsed(), 5000);
    const auto state = report(reportPath());
    EXPECT_EQ(state.value(u"text"_s), QString()) << "the file was not shown";
    EXPECT_EQ(state.value(u"strFileName"_s), QString());
    EXPECT_TRUE(snapshots().isEmpty()) << "nothing was changed, nothing is kept";
}
