#include "platform/ui/messagebox.h"

#include "platform/error.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

void showFailure(MessageBox& box, const Error& error)
{
    box.show(error.codeAndDescription(), QStringLiteral("Error"), MsgButtons::OK,
             MsgIcon::Critical);
}

void showFailureDescription(MessageBox& box, const Error& error)
{
    box.show(error.description(), QStringLiteral("Error"), MsgButtons::OK, MsgIcon::Critical);
}

MsgResult QtMessageBox::show(const QString& text, const QString& title, MsgButtons buttons,
                             MsgIcon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(title);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case MsgButtons::OK:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        // The close box of a Yes/No box counts as No: that box has no Cancel.
        if (buttons == MsgButtons::YesNo)
            return MsgResult::No;
        if (buttons == MsgButtons::YesNoCancel)
            return MsgResult::Cancel;
        return MsgResult::OK;
    }
}

} // namespace platform
