#include "tests/shell/testhooks.h"

#include "parlivox/common/logic/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/messagebox.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace testhooks {
namespace {

bool anyHookSet()
{
    return qEnvironmentVariableIsSet("PARLIVOX_TEST_ANSWERS") ||
           qEnvironmentVariableIsSet("PARLIVOX_TEST_TYPE") ||
           qEnvironmentVariableIsSet("PARLIVOX_TEST_REPORT");
}

class ScriptedMessageBox final : public platform::MessageBox {
public:
    explicit ScriptedMessageBox(QStringList answers) : m_answers(std::move(answers)) {}

    platform::MsgResult show(const QString& text, const QString& title,
                             platform::MsgButtons buttons, platform::MsgIcon) override
    {
        std::fprintf(stderr, "message box: %s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
        std::fflush(stderr);
        if (buttons == platform::MsgButtons::OK)
            return platform::MsgResult::OK;
        const QString answer = m_answers.isEmpty() ? u"Yes"_s : m_answers.takeFirst();
        if (answer.compare(u"No"_s, Qt::CaseInsensitive) == 0)
            return platform::MsgResult::No;
        if (answer.compare(u"Cancel"_s, Qt::CaseInsensitive) == 0)
            return platform::MsgResult::Cancel;
        return platform::MsgResult::Yes;
    }

private:
    QStringList m_answers;
};

platform::RichTextBox* editorOf(frmMain& window)
{
    return window.findChild<platform::RichTextBox*>(u"txtConvert"_s);
}

} // namespace

std::unique_ptr<platform::MessageBox> EnvironmentHooks::messageBox()
{
    if (!qEnvironmentVariableIsSet("PARLIVOX_TEST_ANSWERS"))
        return nullptr;
    return std::make_unique<ScriptedMessageBox>(
        qEnvironmentVariable("PARLIVOX_TEST_ANSWERS").split(u',', Qt::SkipEmptyParts));
}

QString EnvironmentHooks::recognitionData()
{
    return qEnvironmentVariable("PARLIVOX_TEST_TESSDATA");
}

void EnvironmentHooks::shown(frmMain& window)
{
    if (!anyHookSet())
        return;
    QTimer::singleShot(0, &window, [&window] {
        platform::RichTextBox* editor = editorOf(window);
        for (const QChar c : qEnvironmentVariable("PARLIVOX_TEST_TYPE")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(editor, &press);
            QCoreApplication::sendEvent(editor, &release);
        }
        std::printf("ready\n");
        std::fflush(stdout);
    });
}

void EnvironmentHooks::ended(frmMain& window, const AppState& state)
{
    const QString path = qEnvironmentVariable("PARLIVOX_TEST_REPORT");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const DocumentState& document = state.document;
    const QString text = u"blnChanged="_s + (document.blnChanged ? u"1"_s : u"0"_s) +
                         u"\nblnNamed="_s + (document.blnNamed ? u"1"_s : u"0"_s) +
                         u"\nstrFileName="_s + document.strFileName + u"\ncaption="_s +
                         window.windowTitle() + u"\ntext="_s + editorOf(window)->Text();
    file.write(text.toUtf8());
}

} // namespace testhooks

int main(int argc, char* argv[])
{
    testhooks::EnvironmentHooks hooks;
    return Main(argc, argv, &hooks);
}
