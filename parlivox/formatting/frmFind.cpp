#include "parlivox/formatting/frmFind.h"

// Interim dialog until the find dialog lands.
frmFind::frmFind(platform::RichTextBox& editor, AppState& state, platform::MessageBox& messageBox,
                 QWidget* parent)
    : QDialog(parent)
{
    static_cast<void>(editor);
    static_cast<void>(state);
    static_cast<void>(messageBox);
    setWindowTitle(QStringLiteral("Find..."));
}
