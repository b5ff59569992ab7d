#include "parlivox/common/commands.h"

#include "platform/error.h"
#include "platform/ui/messagebox.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include <vector>

namespace {

constexpr const char* savedShortcutProperty = "parlivoxShortcut";

/// Lifts or restores the shortcuts of a menu's items and of its submenus' items.
void enableShortcuts(QMenu& menu, bool enabled)
{
    for (QAction* action : menu.actions()) {
        if (action->menu()) {
            enableShortcuts(*action->menu(), enabled);
        } else if (!enabled) {
            if (!action->property(savedShortcutProperty).isValid())
                action->setProperty(savedShortcutProperty, action->shortcut());
            action->setShortcut({});
        } else if (action->property(savedShortcutProperty).isValid()) {
            action->setShortcut(action->property(savedShortcutProperty).value<QKeySequence>());
            action->setProperty(savedShortcutProperty, QVariant());
        }
    }
}

/// The keepers alive, the one in force last.
std::vector<KeepOnUnexpectedFailure*> keepers;

} // namespace

KeepOnUnexpectedFailure::KeepOnUnexpectedFailure(std::function<void()> keep)
    : m_keep(std::move(keep))
{
    keepers.push_back(this);
}

KeepOnUnexpectedFailure::~KeepOnUnexpectedFailure()
{
    std::erase(keepers, this);
}

void guarded(platform::MessageBox& messageBox, const std::function<void()>& command)
{
    std::exception_ptr failure;
    try {
        command();
        return;
    } catch (const platform::Error& error) {
        platform::showFailure(messageBox, error);
        return;
    } catch (...) {
        // Out of memory or a fault of the program: the changes are kept first,
        // in case what comes next fails too.
        failure = std::current_exception();
    }
    // Whatever fails from here on (memory may still be short), the program
    // goes on as well as it can: that is still better than ending without a
    // word or a snapshot.
    try {
        if (!keepers.empty())
            keepers.back()->m_keep();
    } catch (...) {
    }
    try {
        platform::showFailure(messageBox, platform::unexpectedError(failure));
    } catch (...) {
    }
}

void setMenuEnabled(QMenu& menu, bool enabled)
{
    menu.menuAction()->setEnabled(enabled);
    enableShortcuts(menu, enabled);
}
