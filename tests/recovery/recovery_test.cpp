#include "main_window.h"
#include "test_files.h"

#include "parlivox/common/commands.h"
#include "parlivox/recovery/logic/recoveryfolder.h"
#include "parlivox/recovery/recovery.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using platform::MsgResult;

namespace {

/// The text an RTF file holds.
QString textOf(const QByteArray& rtf)
{
    const auto document = platform::buildDocument(platform::parseRtf(rtf), QFont());
    return document->toPlainText();
}

/// Each test's own state folder, so that editors started here see only the
/// snapshots the test leaves.
class RecoveryTest : public ::testing::Test {
protected:
    RecoveryTest() : m_saved(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", home.path().toUtf8());
    }
    ~RecoveryTest() override { qputenv("XDG_STATE_HOME", m_saved); }

    QString folder() const { return home.path() + u"/Parlivox/recovery"_s; }
    QStringList snapshots() const { return QDir(folder()).entryList({u"*.rtf"_s}, QDir::Files); }
    QString onlySnapshot() const
    {
        const QStringList all = snapshots();
        EXPECT_EQ(all.size(), 1) << all.join(u' ').toStdString();
        return all.isEmpty() ? QString() : folder() + u'/' + all.constFirst();
    }
    /// What an instance that crashed with text unsaved leaves behind.
    void leaveSnapshot(const QString& id, const QString& text, const recovery::SnapshotInfo& info)
    {
        QTextDocument document(text);
        recovery::RecoveryFolder(folder(), id).write(platform::writeRtf(document), info);
    }
    static void settle(Recovery& recovery)
    {
        const QDeadlineTimer deadline(10000);
        while (recovery.busy() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_FALSE(recovery.busy());
    }
    static void snapshot(Editor& e)
    {
        parts(e.window).recovery().snapshotNow();
        settle(parts(e.window).recovery());
    }
    static void type(Editor& e, const QString& text) { QTest::keyClicks(e.ui.txtConvert, text); }

    QTemporaryDir home;
    const QDateTime time{QDate(2026, 3, 14), QTime(15, 9)};

private:
    QByteArray m_saved;
};

} // namespace

TEST_F(RecoveryTest, UnsavedChangesAreKeptUntilSavedDroppedOrClosed)
{
    {
        Editor e;
        type(e, u"important unsaved work"_s);
        snapshot(e);
        const QString kept = onlySnapshot();
        EXPECT_EQ(textOf(readAll(kept)), u"important unsaved work"_s);
        const auto info = recovery::parseSideFile(readAll(kept.chopped(3) + u"json"_s));
        ASSERT_TRUE(info);
        EXPECT_TRUE(info->path.isEmpty());
        EXPECT_EQ(info->fileType, u"rtf"_s);

        e.fakes.dialog.answers = {FakeCommonDialog::file(home.path() + u"/saved.rtf"_s)};
        parts(e.window).documents().saveFileAs();
        settle(parts(e.window).recovery());
        EXPECT_TRUE(snapshots().isEmpty()) << "saved";

        type(e, u" more"_s);
        snapshot(e);
        e.fakes.messageBox.answers = {MsgResult::No};
        parts(e.window).documents().newFile();
        settle(parts(e.window).recovery());
        EXPECT_TRUE(snapshots().isEmpty()) << "dropped";

        type(e, u"again"_s);
        snapshot(e);
        EXPECT_EQ(snapshots().size(), 1);
    }
    EXPECT_TRUE(QDir(folder()).isEmpty()) << "a normal end leaves nothing, not even its lock";
}

TEST_F(RecoveryTest, YesAtStartGivesTheChangesBackUnderTheirDocument)
{
    const QString letter = home.path() + u"/letter.txt"_s;
    QFile(letter).open(QIODevice::WriteOnly);
    leaveSnapshot(u"10-1-1"_s, u"important unsaved work"_s, {letter, u"txt"_s, time});

    Editor e;
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    const FakeMessageBox::Shown& offer = e.fakes.messageBox.last();
    EXPECT_EQ(offer.text, recovery::offerText({letter, u"txt"_s, time}, QLocale()));
    EXPECT_TRUE(
        offer.text.startsWith(u"Parlivox closed without saving the changes to "_s + letter));
    EXPECT_EQ(offer.buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(offer.icon, platform::MsgIcon::Question);

    EXPECT_EQ(e.ui.txtConvert->Text(), u"important unsaved work"_s);
    const DocumentState& doc = e.state.document;
    EXPECT_TRUE(doc.blnChanged);
    EXPECT_TRUE(doc.blnNamed);
    EXPECT_EQ(doc.strFileName, letter);
    EXPECT_EQ(doc.strFileType, u"txt"_s);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + letter + u"]"_s);
    EXPECT_EQ(e.ui.statusPanel[0]->text(), u"Plain Text Format"_s);
    EXPECT_EQ(readAll(letter), QByteArray()) << "the file itself is not touched";
    EXPECT_FALSE(QFile::exists(folder() + u"/10-1-1.rtf"_s)) << "now this instance's snapshot";
    EXPECT_EQ(snapshots().size(), 1);
}

TEST_F(RecoveryTest, ADocumentWhoseFolderIsGoneComesBackUnnamed)
{
    const QString gone = home.path() + u"/no/longer/here/notes.rtf"_s;
    leaveSnapshot(u"10-1-1"_s, u"notes"_s, {gone, u"rtf"_s, time});
    Editor e;
    EXPECT_EQ(e.ui.txtConvert->Text(), u"notes"_s);
    EXPECT_FALSE(e.state.document.blnNamed);
    EXPECT_EQ(e.state.document.strFileName, gone);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + gone + u"]"_s);
    // Save asks for a place rather than writing into a folder that is gone.
    parts(e.window).documents().saveFile();
    ASSERT_EQ(e.fakes.dialog.calls.size(), 1);
    EXPECT_EQ(e.fakes.dialog.calls[0].kind, FakeCommonDialog::Kind::Save);
    EXPECT_FALSE(QDir(home.path() + u"/no"_s).exists());
}

TEST_F(RecoveryTest, AWordDocumentNamedAsTextComesBackAskingForANameOnSave)
{
    const QString report = home.path() + u"/report.txt"_s;
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 a Word document");
    file.close();
    leaveSnapshot(u"10-1-1"_s, u"edited report"_s, {report, u"txt"_s, time, true});
    Editor e;
    EXPECT_TRUE(e.state.document.blnNamed);
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    EXPECT_FALSE(parts(e.window).documents().saveFile());
    ASSERT_EQ(e.fakes.dialog.calls.size(), 1);
    EXPECT_EQ(readAll(report), QByteArray("PK\x03\x04 a Word document"));
}

TEST_F(RecoveryTest, NoDeletesASnapshotAndTheRestWaitAfterOneIsTakenBack)
{
    leaveSnapshot(u"10-1-1"_s, u"oldest"_s, {QString(), u"rtf"_s, time.addSecs(-60)});
    leaveSnapshot(u"10-1-2"_s, u"middle"_s, {QString(), u"rtf"_s, time});
    leaveSnapshot(u"10-1-3"_s, u"newest"_s, {QString(), u"rtf"_s, time.addSecs(60)});
    std::optional<Editor> e;
    e.emplace(QString(), false);
    e->fakes.messageBox.answers = {MsgResult::No, MsgResult::Yes};
    e->window.Form_Load();

    ASSERT_EQ(e->fakes.messageBox.shown.size(), 2) << "newest first, until one is taken back";
    EXPECT_TRUE(e->fakes.messageBox.shown[0].text.contains(
        QLocale().toString(time.addSecs(60), QLocale::ShortFormat)));
    EXPECT_EQ(e->ui.txtConvert->Text(), u"middle"_s);
    EXPECT_EQ(e->window.windowTitle(), u"Parlivox"_s);
    EXPECT_FALSE(QFile::exists(folder() + u"/10-1-3.rtf"_s)) << "No deletes it";
    EXPECT_TRUE(QFile::exists(folder() + u"/10-1-1.rtf"_s)) << "not asked about: kept";
    e.reset();

    Editor next; // the one left is offered at the next start
    ASSERT_EQ(next.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(next.ui.txtConvert->Text(), u"oldest"_s);
}

TEST_F(RecoveryTest, AFileOnTheCommandLineOpensAfterTheOfferAndAsksBeforeDroppingIt)
{
    const QString file = home.path() + u"/a.txt"_s;
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("from the command line");
    out.close();
    leaveSnapshot(u"10-1-1"_s, u"recovered"_s, {QString(), u"rtf"_s, time});
    {
        Editor e(u"\""_s + file + u"\""_s, false);
        e.fakes.messageBox.answers = {MsgResult::Yes, MsgResult::Cancel};
        e.window.Form_Load();
        waitForOpen(e.window);
        ASSERT_EQ(e.fakes.messageBox.shown.size(), 2);
        EXPECT_EQ(e.fakes.messageBox.last().title, u"Save File?"_s);
        EXPECT_EQ(e.fakes.messageBox.last().buttons, platform::MsgButtons::YesNoCancel);
        EXPECT_EQ(e.ui.txtConvert->Text(), u"recovered"_s) << "Cancel keeps the changes";
        e.window.endSession(); // and keeps them for the next start
    }
    Editor e(u"\""_s + file + u"\""_s, false);
    e.fakes.messageBox.answers = {MsgResult::Yes, MsgResult::No};
    e.window.Form_Load();
    waitForOpen(e.window);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"from the command line"_s);
    EXPECT_FALSE(e.state.document.blnChanged);
    settle(parts(e.window).recovery());
    EXPECT_TRUE(snapshots().isEmpty()) << "No dropped the changes";
}

TEST_F(RecoveryTest, EndingWithoutQuestionsKeepsTheChangesForTheNextStart)
{
    {
        Editor e;
        e.window.show();
        type(e, u"important unsaved work"_s);
        e.window.endSession(); // a termination signal
        EXPECT_EQ(textOf(readAll(onlySnapshot())), u"important unsaved work"_s)
            << "written at once, not when the schedule says";
        EXPECT_TRUE(e.window.close());
        EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty()) << "nothing is asked";
    }
    Editor next;
    EXPECT_EQ(next.ui.txtConvert->Text(), u"important unsaved work"_s);
    EXPECT_TRUE(next.state.document.blnChanged);
}

TEST_F(RecoveryTest, TheSessionsEndAsksWhenItMayAndCancelsTheLogoutWhenTheSaveDidNotWrite)
{
    Editor e;
    e.window.show();
    type(e, u"draft"_s);
    e.fakes.messageBox.answers = {MsgResult::Yes};
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    EXPECT_FALSE(e.window.commitSession(true)) << "Yes and no file written: stay";
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Save File?"_s);
    EXPECT_EQ(e.fakes.messageBox.last().buttons, platform::MsgButtons::YesNo);

    e.fakes.messageBox.answers = {MsgResult::No};
    EXPECT_TRUE(e.window.commitSession(true));
    const auto asked = e.fakes.messageBox.shown.size();
    EXPECT_TRUE(e.window.close()) << "the session closes the window";
    EXPECT_EQ(e.fakes.messageBox.shown.size(), asked) << "without asking twice";
}

TEST_F(RecoveryTest, ASessionEndWithoutQuestionsKeepsASnapshotAndAsksNothing)
{
    {
        Editor e;
        e.window.show();
        type(e, u"draft"_s);
        EXPECT_TRUE(e.window.commitSession(false));
        EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
        EXPECT_TRUE(e.window.close());
        EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
    }
    EXPECT_EQ(textOf(readAll(onlySnapshot())), u"draft"_s);
}

TEST_F(RecoveryTest, AFolderOthersMayOpenIsNotUsedAndTheStatusBarSaysSoOnce)
{
    leaveSnapshot(u"10-1-1"_s, u"planted"_s, {QString(), u"rtf"_s, time});
    ASSERT_TRUE(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ReadOther |
                                                    QFile::ExeOther));
    Editor e;
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty()) << "nothing offered from it";
    const QString said = e.ui.statusPanel[1]->text();
    EXPECT_TRUE(said.startsWith(u"Recovery snapshots are off: "_s + folder()))
        << said.toStdString();
    e.ui.statusPanel[1]->setText(u"Ready"_s);
    type(e, u"draft"_s);
    snapshot(e);
    EXPECT_EQ(e.ui.statusPanel[1]->text(), u"Ready"_s) << "said once";
    EXPECT_EQ(snapshots(), QStringList{u"10-1-1.rtf"_s});
}

TEST_F(RecoveryTest, ASnapshotThatCannotBeWrittenIsReportedOnceInTheStatusBar)
{
    ASSERT_TRUE(QDir().mkpath(home.path() + u"/Parlivox"_s));
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    Editor e;
    type(e, u"draft"_s);
    snapshot(e);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty()) << "never a box that stops the typing";
    EXPECT_TRUE(e.ui.statusPanel[1]->text().startsWith(u"Recovery snapshot not written: "_s))
        << e.ui.statusPanel[1]->text().toStdString();
    e.ui.statusPanel[1]->setText(u"Ready"_s);
    type(e, u" more"_s);
    snapshot(e);
    EXPECT_EQ(e.ui.statusPanel[1]->text(), u"Ready"_s) << "said once";

    // Once the folder can be made, the next attempt writes and the panel clears.
    ASSERT_TRUE(QFile::remove(folder()));
    e.ui.statusPanel[1]->setText(u"Recovery snapshot not written: x"_s);
    snapshot(e);
    EXPECT_EQ(textOf(readAll(onlySnapshot())), u"draft more"_s);
}

TEST_F(RecoveryTest, ChangesTakenBackForTheFileOnTheCommandLineAreThatFileEdited)
{
    const QString letter = home.path() + u"/letter.txt"_s;
    writeFile(letter, "as saved");
    leaveSnapshot(u"10-1-1"_s, u"as edited"_s, {letter, u"txt"_s, time});
    Editor e(u"\""_s + home.path() + u"/./letter.txt\""_s, false);
    e.fakes.messageBox.answers = {MsgResult::Yes};
    e.window.Form_Load();
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1) << "no question about saving and reopening";
    EXPECT_EQ(e.ui.txtConvert->Text(), u"as edited"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
    EXPECT_TRUE(e.state.document.blnNamed);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + letter + u"]"_s);
    EXPECT_EQ(readAll(letter), QByteArray("as saved"));
    settle(parts(e.window).recovery());
    EXPECT_EQ(snapshots().size(), 1) << "the changes are still unsaved";
}

// A side file's path is text: a name that looks like HTML is shown as
// written, in the question and in every status panel.
TEST_F(RecoveryTest, APathThatLooksLikeHtmlIsShownAsText)
{
    const QString path = home.path() + u"/<img src=\"/dev/zero\">.txt"_s;
    leaveSnapshot(u"10-1-1"_s, u"words"_s, {path, u"txt"_s, time});
    bool plain = false;
    EditorWithRealMessageBox::whenAsked([&](QMessageBox& box) {
        const auto* label = box.findChild<QLabel*>(u"qt_msgbox_label"_s);
        plain = label && label->textFormat() == Qt::PlainText && label->text().contains(path);
        box.button(QMessageBox::Yes)->click();
    });
    EditorWithRealMessageBox e;
    EXPECT_TRUE(plain);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"words"_s);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + path + u"]"_s);
    for (const QLabel* panel : e.ui.statusPanel)
        EXPECT_EQ(panel->textFormat(), Qt::PlainText) << panel->objectName().toStdString();
}

TEST_F(RecoveryTest, ACommandThatFailsUnexpectedlyIsReportedAfterTheChangesAreKept)
{
    Editor e;
    QAction command;
    std::function<void()> fault = [] {
        throw std::bad_alloc();
    };
    connectGuarded(&command, &QAction::triggered, &e.window, e.fakes.messageBox,
                   [&fault] { fault(); });

    command.trigger();
    EXPECT_EQ(e.fakes.messageBox.last().text, u"7 - Out of memory"_s);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    settle(parts(e.window).recovery());
    EXPECT_TRUE(snapshots().isEmpty()) << "nothing changed, nothing to keep";

    type(e, u"unsaved work"_s);
    fault = [] {
        throw std::runtime_error("the index ran past the end");
    };
    command.trigger();
    EXPECT_EQ(e.fakes.messageBox.last().text, u"51 - Internal error: the index ran past the end"_s);
    settle(parts(e.window).recovery());
    EXPECT_EQ(textOf(readAll(onlySnapshot())), u"unsaved work"_s);

    // The program goes on.
    type(e, u" and more"_s);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"unsaved work and more"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
}
