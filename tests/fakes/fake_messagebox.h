#pragma once

#include "platform/ui/messagebox.h"

#include <QList>

#include <functional>

/// Records every message box and answers from a script. With nothing
/// scripted, OK boxes answer OK and question boxes answer Yes.
class FakeMessageBox final : public platform::MessageBox {
public:
    struct Shown {
        QString text;
        QString title;
        platform::MsgButtons buttons;
        platform::MsgIcon icon;
    };

    platform::MsgResult show(const QString& text, const QString& title,
                             platform::MsgButtons buttons, platform::MsgIcon icon) override
    {
        shown.append({text, title, buttons, icon});
        if (onShow)
            onShow(shown.constLast());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == platform::MsgButtons::OK ? platform::MsgResult::OK
                                                   : platform::MsgResult::Yes;
    }

    /// The last box shown; fails loudly in a test when there was none.
    const Shown& last() const { return shown.constLast(); }

    QList<Shown> shown;
    QList<platform::MsgResult> answers;
    /// Runs while the box is "open", to look at the program in that moment.
    std::function<void(const Shown&)> onShow;
};
