#pragma once

#include <QDialog>

#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

struct EditorServices;

/// The "About..." box: the program's name, version and credits, and a button
/// that starts the system information tool.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(EditorServices& platform, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    /// Starts the system information tool that the registry names, or says
    /// that none is available.
    void StartSysInfo();
    /// Reads the value SubKeyRef of the key KeyName under KeyRoot into KeyVal:
    /// text and 32-bit numbers as text, other types leave KeyVal as it was.
    /// False, with KeyVal empty, when the key or the value cannot be read.
    bool GetKeyValue(std::uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

private:
    QLabel* Image1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1[2] = {};
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    EditorServices& m_platform;
};
