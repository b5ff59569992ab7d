#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class MessageBox;
class RichTextBox;
} // namespace platform
class AppState;

/// The "Find..." dialog: searches the editor forward from findStart and
/// selects each match. Every way of closing it unloads it, so each opening
/// starts with an empty box, both options clear and Find Next disabled.
class frmFind : public QDialog {
    Q_OBJECT

public:
    /// The option sum for the editor's find: 2 whole word, 4 match case.
    static int findOptions(bool wholeWord, bool matchCase);

    frmFind(platform::RichTextBox& editor, AppState& state, platform::MessageBox& messageBox,
            QWidget* parent = nullptr);

    void txtFind_Change();
    /// Find Next: selects the next match behind findStart, or reports that
    /// there is none, starts the next search from the top and closes.
    void cmdFind_Click();
    void cmdCancel_Click();

private:
    QLabel* lblFind = nullptr;
    QLineEdit* txtFind = nullptr;
    QCheckBox* chkWord = nullptr;
    QCheckBox* chkCase = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdCancel = nullptr;

    platform::RichTextBox& m_editor;
    AppState& m_state;
    platform::MessageBox& m_messageBox;
};
