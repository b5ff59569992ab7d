#include "main_window.h"

#include "parlivox/speech/frmOptions.h"
#include "parlivox/speech/logic/voicelist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    /// Loads the dialog as the program does: hidden, over the stored settings.
    frmOptions& load()
    {
        dialog = std::make_unique<frmOptions>(fakes.services, state);
        return *dialog;
    }
    FakeVoice& programVoice() { return *fakes.speech.first; }
    QStringList entries() const
    {
        const QComboBox* list = OptionsControls(*dialog).lstVoice;
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->itemText(i);
        return out;
    }

    FakePlatform fakes;
    AppState state{fakes.speech};
    std::unique_ptr<frmOptions> dialog;
};

} // namespace

TEST_F(OptionsTest, WithNothingStoredTheDialogShowsTheDefaults)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    EXPECT_EQ(d.windowTitle(), u"Options..."_s);
    EXPECT_EQ(entries(),
              (QStringList{u"English (America)"_s, u"English (Great Britain)"_s, u"German"_s}))
        << "by name";
    EXPECT_EQ(ui.lstVoice->currentText(), u"English (Great Britain)"_s);
    EXPECT_EQ(ui.Slider1->value(), 2);
    EXPECT_EQ(state.intSpeed, 2);
    EXPECT_FALSE(ui.chkReadPunctuation->isChecked());
    EXPECT_TRUE(ui.Frame1[0]->isVisibleTo(&d));
    EXPECT_FALSE(ui.Frame1[1]->isVisibleTo(&d));
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(fakes.settings.writes, 0);
}

TEST_F(OptionsTest, TheDefaultVoiceIsTheEnginesDefault)
{
    fakes.speech.defaultVoice = u"German"_s;
    EXPECT_EQ(OptionsControls(load()).lstVoice->currentText(), u"German"_s);
}

TEST_F(OptionsTest, StoredChoicesAreShown)
{
    fakes.settings.setConfig(u"Speed"_s, u"7"_s);
    fakes.settings.setConfig(u"Voice"_s, u"English (America)"_s);
    fakes.settings.setConfig(u"ReadP"_s, u"1"_s);
    frmOptions& d = load();
    const OptionsControls ui(d);
    EXPECT_EQ(ui.Slider1->value(), 7);
    EXPECT_EQ(state.intSpeed, 7);
    EXPECT_EQ(ui.lstVoice->currentText(), u"English (America)"_s);
    EXPECT_TRUE(ui.chkReadPunctuation->isChecked());
}

TEST_F(OptionsTest, AStoredVoiceThatIsNotInstalledLeavesTheListWithoutSelection)
{
    fakes.settings.setConfig(u"Voice"_s, u"english (america)"_s); // case counts
    EXPECT_EQ(OptionsControls(load()).lstVoice->currentIndex(), -1);
}

TEST_F(OptionsTest, TheListShowsReadableNamesOnceInOrderAndOldStoredNamesKeepTheirVoice)
{
    // In the engine's order; one name is a file's identifier, one is twice.
    fakes.speech.voices = {u"Zeta"_s, u"Lang_Qubit"_s, u"Twin"_s, u"Alpha"_s, u"Twin"_s};
    fakes.settings.setConfig(u"Voice"_s, u"Lang_Qubit"_s); // as saved before
    frmOptions& d = load();
    const OptionsControls ui(d);
    EXPECT_EQ(entries(), (QStringList{u"Alpha"_s, u"Qubit"_s, u"Twin"_s, u"Zeta"_s}));
    EXPECT_EQ(ui.lstVoice->currentText(), u"Qubit"_s);
    EXPECT_EQ(d.chosenVoiceIndex(), 1) << "the engine's own place of the voice";
    ui.lstVoice->setCurrentIndex(ui.lstVoice->findText(u"Twin"_s));
    EXPECT_EQ(d.chosenVoiceIndex(), 4) << "of two with one name, the later, as chosen before";
    ui.lstVoice->setCurrentIndex(ui.lstVoice->findText(u"Zeta"_s));
    ui.cmdOK->click();
    EXPECT_EQ(fakes.settings.config(u"Voice"_s), u"Zeta"_s);
    EXPECT_EQ(programVoice().token(), u"Zeta"_s);

    // A start speaks with the voice the list names.
    fakes.settings.setConfig(u"Voice"_s, u"Qubit"_s);
    frmMain w(fakes.services, state, QString());
    w.Form_Load();
    MainWindowControls(w).txtConvert->setText(u"Hello."_s);
    parts(w).speech().mnuConvertAll_Click();
    ASSERT_FALSE(fakes.speech.log.spoken.isEmpty());
    EXPECT_EQ(fakes.speech.log.spoken.constLast().token, u"Lang_Qubit"_s);
}

TEST(VoiceList, TheUsersLanguageComesFirst)
{
    const std::vector<voicelist::Entry> list = voicelist::entries(
        {u"French (France)"_s, u"German"_s, u"English (America)"_s, u"Afrikaans"_s, u"Germanic"_s},
        u"German"_s);
    QStringList shown;
    for (const voicelist::Entry& entry : list)
        shown << entry.shown;
    EXPECT_EQ(shown, (QStringList{u"German"_s, u"Afrikaans"_s, u"English (America)"_s,
                                  u"French (France)"_s, u"Germanic"_s}));
}

TEST_F(OptionsTest, AStoredSpeedOutsideTheSliderShowsAtTheNearestEnd)
{
    fakes.settings.setConfig(u"Speed"_s, u"15"_s);
    EXPECT_EQ(OptionsControls(load()).Slider1->value(), 10);
    EXPECT_EQ(state.intSpeed, 10);
    fakes.settings.setConfig(u"Speed"_s, u"-4"_s);
    EXPECT_EQ(OptionsControls(load()).Slider1->value(), 0);
    EXPECT_EQ(state.intSpeed, 0);
}

TEST_F(OptionsTest, UnreadableStoredValuesShowTheDefaults)
{
    fakes.settings.setConfig(u"Speed"_s, u"quick"_s);
    fakes.settings.setConfig(u"ReadP"_s, u"yes"_s);
    frmOptions& d = load();
    const OptionsControls ui(d);
    EXPECT_EQ(ui.Slider1->value(), 2);
    EXPECT_EQ(state.intSpeed, 2);
    EXPECT_FALSE(ui.chkReadPunctuation->isChecked());
}

TEST_F(OptionsTest, TheTabsShowOnePageAtATime)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    ui.TabStrip1->setCurrentIndex(1);
    EXPECT_FALSE(ui.Frame1[0]->isVisibleTo(&d));
    EXPECT_TRUE(ui.Frame1[1]->isVisibleTo(&d));
    ui.TabStrip1->setCurrentIndex(0);
    EXPECT_TRUE(ui.Frame1[0]->isVisibleTo(&d));
    EXPECT_FALSE(ui.Frame1[1]->isVisibleTo(&d));
}

TEST_F(OptionsTest, MovingTheSliderSetsTheSpeedAndCancelStoresNothing)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    const QStringList callsBefore = fakes.speech.log.calls;
    ui.Slider1->setValue(9);
    EXPECT_EQ(state.intSpeed, 9);
    ui.lstVoice->setCurrentIndex(2);
    ui.cmdCancel->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(fakes.settings.writes, 0);
    EXPECT_EQ(fakes.speech.log.calls, callsBefore) << "the program's voice is unchanged";
    EXPECT_EQ(state.intSpeed, 9) << "kept until the next start reads the store";
}

TEST_F(OptionsTest, OkOnTheMiscPageStoresAllThreeChoicesAndSetsTheProgramsVoice)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    ui.Slider1->setValue(4);
    ui.lstVoice->setCurrentIndex(2);
    ui.TabStrip1->setCurrentIndex(1);
    ui.chkReadPunctuation->setChecked(true);
    ui.cmdOK->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(fakes.settings.config(u"Speed"_s), u"4"_s);
    EXPECT_EQ(fakes.settings.config(u"Voice"_s), u"German"_s);
    EXPECT_EQ(fakes.settings.config(u"ReadP"_s), u"1"_s);
    EXPECT_EQ(programVoice().token(), u"German"_s);
}

TEST_F(OptionsTest, OkWithNoVoiceSelectedStoresAnEmptyVoiceAndKeepsTheProgramsVoice)
{
    fakes.settings.setConfig(u"Voice"_s, u"A Voice Long Uninstalled"_s);
    frmOptions& d = load();
    const OptionsControls ui(d);
    ui.cmdOK->click();
    EXPECT_TRUE(fakes.settings.hasConfig(u"Voice"_s));
    EXPECT_EQ(fakes.settings.config(u"Voice"_s), QString());
    EXPECT_EQ(fakes.settings.config(u"Speed"_s), u"2"_s);
    EXPECT_EQ(fakes.settings.config(u"ReadP"_s), u"0"_s);
    EXPECT_EQ(programVoice().token(), u"English (Great Britain)"_s);
    EXPECT_FALSE(fakes.speech.log.calls.contains(u"Voice English (Great Britain)"_s));
}

TEST_F(OptionsTest, TestSpeaksTheVoicesNameWithASeparateVoiceAtTheSlidersSpeed)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    ui.lstVoice->setCurrentIndex(ui.lstVoice->findText(u"English (America)"_s));
    bool buttonsOff = false;
    bool waitCursor = false;
    fakes.speech.log.onSpeak = [&](const SpeechLog::Spoken&) {
        buttonsOff =
            !ui.cmdOK->isEnabled() && !ui.cmdCancel->isEnabled() && !ui.cmdTest->isEnabled();
        waitCursor = d.cursor().shape() == Qt::WaitCursor;
    };
    ui.cmdTest->click();
    ASSERT_EQ(fakes.speech.log.spoken.size(), 1);
    const SpeechLog::Spoken& spoken = fakes.speech.log.spoken.first();
    EXPECT_EQ(spoken.voice, 1) << "a voice of its own";
    EXPECT_EQ(spoken.text, u"English (America)"_s);
    EXPECT_EQ(spoken.token, u"English (America)"_s);
    EXPECT_EQ(spoken.rate, 2);
    EXPECT_EQ(spoken.flags, 0);
    EXPECT_TRUE(buttonsOff);
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(ui.cmdOK->isEnabled() && ui.cmdCancel->isEnabled() && ui.cmdTest->isEnabled());
    EXPECT_NE(d.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(fakes.speech.log.destroyed, 1) << "the test voice is released";
    EXPECT_EQ(programVoice().Rate(), 0);
    EXPECT_EQ(programVoice().token(), u"English (Great Britain)"_s);
}

TEST_F(OptionsTest, TestWithNoVoiceSelectedSpeaksNothing)
{
    fakes.settings.setConfig(u"Voice"_s, u"A Voice Long Uninstalled"_s);
    OptionsControls(load()).cmdTest->click();
    EXPECT_TRUE(fakes.speech.log.spoken.isEmpty());
    EXPECT_EQ(fakes.speech.log.created, 1);
}

TEST_F(OptionsTest, ATestTheEngineRefusesIsReportedAndGivesTheButtonsBack)
{
    frmOptions& d = load();
    const OptionsControls ui(d);
    fakes.speech.failCreate = true;
    ui.cmdTest->click();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"429 - The speech engine is not available"_s);
    EXPECT_TRUE(ui.cmdOK->isEnabled() && ui.cmdCancel->isEnabled() && ui.cmdTest->isEnabled());

    fakes.speech.failCreate = false;
    fakes.speech.log.onSpeak = [&](const SpeechLog::Spoken&) {
        throw platform::Error(57, u"The sound device could not be opened"_s);
    };
    ui.cmdTest->click();
    EXPECT_EQ(fakes.messageBox.last().text, u"57 - The sound device could not be opened"_s);
    EXPECT_TRUE(ui.cmdOK->isEnabled() && ui.cmdCancel->isEnabled() && ui.cmdTest->isEnabled());
    EXPECT_NE(d.cursor().shape(), Qt::WaitCursor);
}

TEST(OptionsFromMainWindow, TheDialogLoadedHiddenIsShownLaterWithoutReloading)
{
    Editor e;
    frmMain& w = e.window;
    frmOptions& hidden = parts(w).Options();
    OptionsControls(hidden).Slider1->setValue(8);
    OptionsControls(hidden).lstVoice->setCurrentIndex(2);
    int shownSpeed = -1;
    int shownVoice = -1;
    QTimer::singleShot(0, &w, [&] {
        frmOptions& shown = parts(w).Options();
        EXPECT_EQ(&shown, &hidden);
        EXPECT_TRUE(shown.isVisible());
        const OptionsControls ui(shown);
        shownSpeed = ui.Slider1->value();
        shownVoice = ui.lstVoice->currentIndex();
        ui.cmdCancel->click();
    });
    e.ui.mnuPrefs->trigger();
    EXPECT_EQ(shownSpeed, 8);
    EXPECT_EQ(shownVoice, 2);
    // Cancel unloads it: the next request loads it afresh from the store.
    EXPECT_EQ(OptionsControls(parts(w).Options()).Slider1->value(), 2);
}
