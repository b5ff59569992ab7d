#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTabWidget;

struct EditorServices;
class AppState;

/// The "Options..." dialog: voice, speed and punctuation reading.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    /// Creating the dialog runs its load; it stays hidden until shown. A
    /// failure of the speech engine while loading raises platform::Error.
    frmOptions(EditorServices& platform, AppState& state, QWidget* parent = nullptr);

    /// Fills the voice list and shows the stored choices.
    void Form_Load();
    /// Shows the page of the selected tab.
    void TabStrip1_Click();
    /// The slider's position is the speed.
    void Slider1_Change();
    /// Speaks the selected voice's name with that voice at the slider's speed.
    void cmdTest_Click();
    /// Stores the choices and gives the program's voice the selected voice.
    void cmdOK_Click();
    void cmdCancel_Click();
    /// The selected voice's index among the engine's voices; -1 for none.
    int chosenVoiceIndex() const;
    /// Shows speed on the slider (a key changed it while the dialog is open).
    void showSpeed(int speed);

private:
    void buildControls();

    // ---- Controls (pixels, on a 369 x 240 client area) ------------------
    QTabWidget* TabStrip1 = nullptr;
    /// The two pages lying on the same spot: 0 voice, 1 misc.
    QFrame* Frame1[2] = {};
    QLabel* lblVoice = nullptr;
    QComboBox* lstVoice = nullptr;
    QLabel* lblInfo1 = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* Slider1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdTest = nullptr;
    QCheckBox* chkReadPunctuation = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    EditorServices& m_platform;
    AppState& m_state;
};
