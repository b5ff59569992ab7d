#pragma once

class EditorWindow;
struct EditorServices;

/// The Edit, Macros and Help menus' commands and printing.
class EditCommands {
public:
    EditCommands(EditorWindow& window, EditorServices& services);
    EditCommands(const EditCommands&) = delete;
    EditCommands& operator=(const EditCommands&) = delete;

    /// Runs each time the Edit menu opens, before it is drawn.
    void mnuEdit_Click();
    void mnuCut_Click();
    void mnuCopy_Click();
    void mnuPaste_Click();
    void mnuClearClip_Click();
    void mnuSelectAll_Click();
    void mnuMacroTime_Click();
    void mnuMacroDate_Click();
    void mnuMacroCopyright_Click();
    void mnuMacroRegTM_Click();
    void mnuPrint_Click();
    void mnuContents_Click();
    void mnuUpdates_Click();
    /// F1: opens the help file at its contents.
    void showHelp();

private:
    EditorWindow& m_window;
    EditorServices& m_services;
};
