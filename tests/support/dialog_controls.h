#pragma once
// The editor's dialogs' controls, found by their names as a user finds them
// on screen (the dialogs keep them private).
#include "controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include <array>

/// The Options dialog's controls.
struct OptionsControls {
    explicit OptionsControls(const QWidget& dialog) : m_dialog(dialog) {}

    const QWidget& m_dialog;
    QTabWidget* TabStrip1 = control<QTabWidget>(&m_dialog, "TabStrip1");
    /// The two pages lying on the same spot: 0 voice, 1 misc.
    std::array<QFrame*, 2> Frame1 = {control<QFrame>(&m_dialog, "Frame1_0"),
                                     control<QFrame>(&m_dialog, "Frame1_1")};
    QComboBox* lstVoice = control<QComboBox>(&m_dialog, "lstVoice");
    QSlider* Slider1 = control<QSlider>(&m_dialog, "Slider1");
    QPushButton* cmdTest = control<QPushButton>(&m_dialog, "cmdTest");
    QCheckBox* chkReadPunctuation = control<QCheckBox>(&m_dialog, "chkReadPunctuation");
    QPushButton* cmdOK = control<QPushButton>(&m_dialog, "cmdOK");
    QPushButton* cmdCancel = control<QPushButton>(&m_dialog, "cmdCancel");
};

/// The Find dialog's controls.
struct FindControls {
    explicit FindControls(const QWidget& dialog) : m_dialog(dialog) {}

    const QWidget& m_dialog;
    QLineEdit* txtFind = control<QLineEdit>(&m_dialog, "txtFind");
    QCheckBox* chkWord = control<QCheckBox>(&m_dialog, "chkWord");
    QCheckBox* chkCase = control<QCheckBox>(&m_dialog, "chkCase");
    QPushButton* cmdFind = control<QPushButton>(&m_dialog, "cmdFind");
    QPushButton* cmdCancel = control<QPushButton>(&m_dialog, "cmdCancel");
};

/// The About box's controls.
struct AboutControls {
    explicit AboutControls(const QWidget& dialog) : m_dialog(dialog) {}

    const QWidget& m_dialog;
    QLabel* lblTitle = control<QLabel>(&m_dialog, "lblTitle");
    QLabel* lblVersion = control<QLabel>(&m_dialog, "lblVersion");
    QLabel* lblDescription = control<QLabel>(&m_dialog, "lblDescription");
    QLabel* lblDisclaimer = control<QLabel>(&m_dialog, "lblDisclaimer");
    QPushButton* cmdOK = control<QPushButton>(&m_dialog, "cmdOK");
    QPushButton* cmdSysInfo = control<QPushButton>(&m_dialog, "cmdSysInfo");
};

/// The controls of the progress of "Convert to Audio File".
struct ConvertProgressControls {
    explicit ConvertProgressControls(const QWidget& dialog) : m_dialog(dialog) {}

    const QWidget& m_dialog;
    QLabel* lblFile = control<QLabel>(&m_dialog, "lblFile");
    QProgressBar* prgDone = control<QProgressBar>(&m_dialog, "prgDone");
    QLabel* lblElapsed = control<QLabel>(&m_dialog, "lblElapsed");
    QLabel* lblRemaining = control<QLabel>(&m_dialog, "lblRemaining");
    QPushButton* cmdCancel = control<QPushButton>(&m_dialog, "cmdCancel");
};
