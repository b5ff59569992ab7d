#pragma once

class AppState;
class EditorWindow;
class QComboBox;
struct EditorServices;

/// The font lists, the formatting buttons and the editor's notifications:
/// what the toolbar shows follows the selection, and what the user picks
/// there applies to it.
class Formatting {
public:
    /// cmbFont and cmbFontSize are the window's font lists, which this class fills and follows.
    Formatting(EditorWindow& window, EditorServices& services, AppState& state, QComboBox& cmbFont,
               QComboBox& cmbFontSize);
    Formatting(const Formatting&) = delete;
    Formatting& operator=(const Formatting&) = delete;

    /// Fills the font lists and selects the start-up font and size.
    void initFonts();
    /// Empties the editor and resets the lists and the typing format.
    void clear();
    /// Shows the selection's font and size in the lists.
    void findFont();
    /// Cut, Copy and Convert Selection follow the selection, the lists its format.
    void refreshSelection();
    void cmbFont_Click();
    void cmbFontSize_Click();
    /// The editor's text changed.
    void txtConvert_Change();

    // ---- the formatting buttons -------------------------------------------
    /// Bold, italic and underline flip; a mixed selection is left alone.
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    /// Asks for a colour and gives it to the selection.
    void setColour();
    /// 0 left, 1 right, 2 centre.
    void align(int alignment);

private:
    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    QComboBox& cmbFont;
    QComboBox& cmbFontSize;
};
