// "Convert to Audio File..." against the scripted engine and dialogs: where it
// sits, which text it takes, the file it asks for, its progress dialog, and
// how it ends (done, cancelled, failed).
#include "main_window.h"

#include "parlivox/speech/frmConvertProgress.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using platform::AudioFormat;

namespace {

class AudioExportTest : public MainWindowTest {
protected:
    AudioExportTest()
    {
        editor().setText(u"First line.\r\nSecond line."_s);
        script().pollsUntilDone = 2;
    }

    QAction* command() { return w.findChild<QAction*>(u"mnuConvertFile"_s); }
    ConversionScript& script() { return fakes.speech.log.conversion; }
    const SpeechLog::Converted& converted() { return fakes.speech.log.converted.constLast(); }
    /// Runs the command with the save dialog answering path and filter.
    void convertTo(const QString& path, int filterIndex = 1)
    {
        fakes.dialog.answers.append(FakeCommonDialog::file(path, filterIndex));
        command()->trigger();
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(AudioExportTest, ItClosesTheConvertMenuAndIsOffWithIt)
{
    const QList<QAction*> items = ui.mnuConvert->actions();
    ASSERT_GE(items.size(), 3);
    // Only the choice to follow the reading comes after it.
    EXPECT_EQ(items[items.size() - 2], command());
    EXPECT_TRUE(items[items.size() - 3]->isSeparator());
    EXPECT_EQ(command()->text(), u"Convert to Audio &File..."_s);
    EXPECT_EQ(command()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));

    click(u"speech"_s);
    EXPECT_FALSE(ui.mnuConvert->menuAction()->isEnabled()) << "not while speaking";
    EXPECT_TRUE(command()->shortcut().isEmpty());
    parts(w).speech().StopText();
    EXPECT_EQ(command()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));

    Editor fresh;
    EXPECT_FALSE(fresh.ui.mnuConvert->menuAction()->isEnabled()) << "nothing to convert";
    EXPECT_TRUE(fresh.window.findChild<QAction*>(u"mnuConvertFile"_s)->shortcut().isEmpty());
}

TEST_F(AudioExportTest, ItSpeaksTheToolbarsTextPreparedAndVoicedAsASessionDoes)
{
    fakes.settings.setConfig(u"ReadP"_s, u"1"_s);
    fakes.settings.setConfig(u"Speed"_s, u"4"_s);
    const auto sameAsTheToolbar = [&] {
        click(u"speech"_s);
        const SpeechLog::Spoken spoken = fakes.speech.log.spoken.constLast();
        parts(w).speech().StopText();
        convertTo(dir.filePath(u"a.mp3"_s));
        const SpeechLog::Spoken& saved = converted().speech;
        EXPECT_EQ(saved.text, spoken.text);
        EXPECT_EQ(saved.flags, spoken.flags);
        EXPECT_EQ(saved.rate, spoken.rate);
        EXPECT_EQ(saved.token, spoken.token);
        EXPECT_EQ(saved.volume, 100);
    };
    select(6, 16); // "line.\r\nSecond lin"
    sameAsTheToolbar();
    EXPECT_EQ(converted().speech.text, u"line. ;\nSecond lin"_s);
    EXPECT_EQ(converted().speech.flags, platform::SVSFlagsAsync | platform::SVSFNLPSpeakPunc);
    select(0, 0);
    sameAsTheToolbar();
    EXPECT_EQ(converted().speech.text, u"First line. ;\nSecond line."_s);
    EXPECT_FALSE(script().alive) << "released once done";
    EXPECT_TRUE(fakes.messageBox.shown.isEmpty());
}

TEST_F(AudioExportTest, TheSaveDialogOffersTheFiveFormatsAndTheNameDecidesTheFormat)
{
    fakes.dialog.setFilter(u"Rich Text Format (*.rtf)|*.rtf"_s);
    fakes.dialog.setFileName(u"/docs/letter.rtf"_s);
    convertTo(dir.filePath(u"talk"_s), 3);
    const FakeCommonDialog::Call& asked = fakes.dialog.calls.constLast();
    EXPECT_EQ(asked.kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(asked.filter,
              u"MP3 Audio (*.mp3)|*.mp3|Ogg Vorbis Audio (*.ogg)|*.ogg|Opus Audio (*.opus)|*.opus|"
              "FLAC Audio (*.flac)|*.flac|Wave Audio (*.wav)|*.wav"_s);
    EXPECT_EQ(asked.filterIndex, 1);
    EXPECT_EQ(asked.fileName, QDir::home().filePath(u"Untitled.mp3"_s));
    EXPECT_EQ(converted().target.path, dir.filePath(u"talk.opus"_s)) << "the filter's extension";
    EXPECT_EQ(converted().target.format, AudioFormat::Opus);
    EXPECT_EQ(converted().target.title, u"Untitled"_s);
    EXPECT_EQ(fakes.dialog.Filter(), u"Rich Text Format (*.rtf)|*.rtf"_s) << "Save As's is back";
    EXPECT_EQ(fakes.dialog.FileName(), u"/docs/letter.rtf"_s);

    // A named document: its folder and name, in the format chosen last.
    state.document.strFileName = dir.filePath(u"letter.rtf"_s);
    convertTo(dir.filePath(u".ogg"_s), 1);
    EXPECT_EQ(fakes.dialog.calls.constLast().fileName, dir.filePath(u"letter.opus"_s));
    EXPECT_EQ(fakes.dialog.calls.constLast().filterIndex, 3);
    EXPECT_EQ(converted().target.path, dir.filePath(u".ogg"_s));
    EXPECT_EQ(converted().target.format, AudioFormat::OggVorbis) << "the name wins over the filter";
    EXPECT_EQ(converted().target.title, u"letter"_s);
}

TEST_F(AudioExportTest, AnExistingFileIsReplacedOnlyAfterYes)
{
    const QString taken = dir.filePath(u"talk.mp3"_s);
    QFile file(taken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    fakes.messageBox.answers = {platform::MsgResult::No, platform::MsgResult::Yes};
    fakes.dialog.answers.append(FakeCommonDialog::file(taken));
    fakes.dialog.answers.append(FakeCommonDialog::file(taken));
    command()->trigger();
    ASSERT_EQ(fakes.messageBox.shown.size(), 2);
    EXPECT_EQ(fakes.messageBox.shown[0].text,
              u"File already exists. Do you want to overwrite it?"_s);
    EXPECT_EQ(fakes.messageBox.shown[0].title, u"Overwrite?"_s);
    EXPECT_EQ(fakes.dialog.calls.size(), 2) << "No asks for another name";
    ASSERT_EQ(fakes.speech.log.converted.size(), 1);
    EXPECT_EQ(converted().target.path, taken);
}

TEST_F(AudioExportTest, TheProgressDialogShowsTheShareDoneAndCancelStopsTheConversion)
{
    script().pollsUntilDone = -1;
    script().progress = {0.25};
    bool seen = false;
    whenModal([&](QWidget& modal) {
        auto* progress = qobject_cast<frmConvertProgress*>(&modal);
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
        EXPECT_EQ(progress->parentWidget(), &w);
        const ConvertProgressControls ui(*progress);
        EXPECT_EQ(ui.prgDone->value(), 250);
        EXPECT_TRUE(ui.lblElapsed->text().startsWith(u"Elapsed: 0:0"_s));
        EXPECT_TRUE(ui.lblFile->text().contains(u"talk.wav"_s));
        seen = true;
        ui.cmdCancel->click();
    });
    convertTo(dir.filePath(u"talk.wav"_s));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(script().cancelled);
    EXPECT_FALSE(script().alive);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(fakes.messageBox.shown.isEmpty()) << "a cancel says nothing";
}

TEST_F(AudioExportTest, FailuresShowCodeAndDescriptionTitledError)
{
    script().startFailure = platform::Error(70, u"Permission denied: /locked/a.mp3"_s);
    convertTo(u"/locked/a.mp3"_s);
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"70 - Permission denied: /locked/a.mp3"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);

    script().startFailure.reset();
    script().failure = platform::Error(61, u"Disk full: /full/a.mp3"_s);
    convertTo(u"/full/a.mp3"_s);
    ASSERT_EQ(fakes.messageBox.shown.size(), 2);
    EXPECT_EQ(fakes.messageBox.last().text, u"61 - Disk full: /full/a.mp3"_s);

    fakes.dialog.answers.append(FakeCommonDialog::cancelled());
    command()->trigger();
    EXPECT_EQ(fakes.messageBox.shown.size(), 2) << "a cancelled dialog says nothing";
}
