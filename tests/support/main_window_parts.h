#pragma once
// The main window's subsystems and dialogs, for the tests and benchmarks
// that drive them directly instead of through the window's controls. The
// program itself never needs them: they are not part of frmMain's interface.
#include "parlivox/shell/frmMain.h"

class MainWindowParts {
public:
    explicit MainWindowParts(frmMain& window) : m_window(window) {}

    Documents& documents() const { return *m_window.m_documents; }
    EditCommands& editing() const { return *m_window.m_editing; }
    SpeechSession& speech() const { return *m_window.m_speech; }
    AudioExport& audioExport() const { return *m_window.m_audioExport; }
    Formatting& formatting() const { return *m_window.m_formatting; }
    Recovery& recovery() const { return *m_window.m_recovery; }

    /// The toolbar's command dispatch.
    void Toolbar1_ButtonClick(ToolButton button) const { m_window.Toolbar1_ButtonClick(button); }
    /// The dialogs, each created on first use: the Options dialog loads hidden.
    frmOptions& Options() const { return m_window.Options(); }
    frmFind& Find() const { return m_window.Find(); }
    frmAbout& About() const { return m_window.About(); }

private:
    frmMain& m_window;
};

/// The parts of window.
inline MainWindowParts parts(frmMain& window)
{
    return MainWindowParts(window);
}
