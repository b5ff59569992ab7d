#include "platform/ui/messagebox.h"

#include "platform/error.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

namespace platform {
namespace {

/// A question whose only answers are its buttons: with Yes and No alone,
/// Escape and the window's close box do nothing (Qt would take them for No,
/// and at the close-time prompt No drops the document).
class QuestionBox final : public QMessageBox {
public:
    QuestionBox(QWidget* parent, bool mustAnswer) : QMessageBox(parent), m_mustAnswer(mustAnswer)
    {
        if (m_mustAnswer)
            setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (m_mustAnswer &&
            (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel))) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (m_mustAnswer) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    const bool m_mustAnswer;
};

} // namespace

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
    QuestionBox box(QApplication::activeWindow(), buttons == MsgButtons::YesNo);
    // Messages name files and quote what files say: never read as HTML (an
    // image tag in a file name would make the box load what it names).
    box.setTextFormat(Qt::PlainText);
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
        // Only the program's own end closes a Yes/No box unanswered; No
        // writes nothing and overwrites nothing then.
        if (buttons == MsgButtons::YesNo)
            return MsgResult::No;
        if (buttons == MsgButtons::YesNoCancel)
            return MsgResult::Cancel;
        return MsgResult::OK;
    }
}

} // namespace platform
