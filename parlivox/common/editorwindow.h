#pragma once

class QString;
class QWidget;

namespace platform {
class RichTextBox;
}

/// The main window's menus.
enum class Menu { File, Edit, Macros, Convert, Help };

/// The toolbar's buttons, in their order on the toolbar.
enum class ToolButton {
    New,
    Open,
    Save,
    Print,
    Speech,
    PlayPause,
    Stop,
    Prop,
    Bold,
    Italic,
    Underline,
    Colour,
    Left,
    Centre,
    Right,
    About
};

/// Menu items whose enabled state follows the document, the selection or
/// the clipboard.
enum class MenuItem { Cut, Copy, Paste, ClearClip, Find, SelectAll, ConvertSel };

/// What the main window offers the subsystems it owns (documents, editing,
/// speech, formatting): the editor, the window's controls' states and the
/// few procedures one subsystem needs of another. This is the only way a
/// subsystem reaches the window or another subsystem.
class EditorWindow {
public:
    EditorWindow() = default;
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    /// The editor, txtConvert.
    virtual platform::RichTextBox& editor() = 0;
    /// The window itself: the parent of dialogs, the receiver of posted keys.
    virtual QWidget& widget() = 0;
    /// Status panel 1, which names the document's format.
    virtual void setFormatPanel(const QString& text) = 0;
    /// Status panel 2 shows text, a problem the user should know of without
    /// being interrupted; empty text shows the reading state again.
    virtual void setStatusText(const QString& text) = 0;

    virtual void setButtonEnabled(ToolButton button, bool enabled) = 0;
    virtual void setItemEnabled(MenuItem item, bool enabled) = 0;
    /// A disabled menu also disables its items' shortcuts; each item keeps its
    /// own enabled state for when the menu comes back.
    virtual void setMenuEnabled(Menu menu, bool enabled) = 0;

    /// The busy appearance of a reading session, or the idle one: buttons,
    /// font lists, menus, the editor's lock and pointer, the status text.
    virtual void showSpeaking(bool busy) = 0;
    /// The pause button's image and tip and the status text of a paused or
    /// resumed session.
    virtual void showPaused(bool paused) = 0;
    /// The voice chosen in the Options dialog (loaded hidden the first time),
    /// as an index into the engine's voices.
    virtual int chosenVoiceIndex() = 0;
    /// The speed the keys set while reading, for an Options dialog loaded hidden.
    virtual void showSpeed(int speed) = 0;

    /// The editor reset, the font lists' refresh and the selection's
    /// dependants, which the document and editing commands need.
    virtual void clear() = 0;
    virtual void findFont() = 0;
    virtual void refreshSelection() = 0;
    /// The document was written to its file: its changes are safe.
    virtual void documentSaved() = 0;
    /// A file was opened into the editor.
    virtual void documentOpened() = 0;

protected:
    ~EditorWindow() = default;
};
