#pragma once

#include <QString>

namespace platform {

class Error;

enum class MsgButtons { OK, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
/// The button the user pressed, numbered as the classic message box does.
enum class MsgResult { OK = 1, Cancel = 2, Yes = 6, No = 7 };

/// A modal message box.
class MessageBox {
public:
    MessageBox() = default;
    MessageBox(const MessageBox&) = delete;
    MessageBox& operator=(const MessageBox&) = delete;
    virtual ~MessageBox() = default;

    /// Shows text with title, buttons and icon; returns the button pressed.
    virtual MsgResult show(const QString& text, const QString& title, MsgButtons buttons,
                           MsgIcon icon) = 0;
};

/// The message of most failed operations: "code - description", titled
/// "Error", with the critical icon and an OK button.
void showFailure(MessageBox& box, const Error& error);
/// The same message with the description alone.
void showFailureDescription(MessageBox& box, const Error& error);

/// QMessageBox, modal over the active window. A Yes/No box cannot be
/// dismissed: Escape and its close box do nothing.
class QtMessageBox final : public MessageBox {
public:
    QtMessageBox() = default;
    MsgResult show(const QString& text, const QString& title, MsgButtons buttons,
                   MsgIcon icon) override;
};

} // namespace platform
