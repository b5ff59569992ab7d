#pragma once

#include <QDialog>

namespace platform {
class MessageBox;
class RichTextBox;
} // namespace platform
class AppState;

/// The "Find..." dialog, searching the editor forward from findStart.
class frmFind : public QDialog {
    Q_OBJECT

public:
    frmFind(platform::RichTextBox& editor, AppState& state, platform::MessageBox& messageBox,
            QWidget* parent = nullptr);
};
