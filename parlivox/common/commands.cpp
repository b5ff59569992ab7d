#include "parlivox/common/commands.h"

#include "platform/error.h"
#include "platform/ui/messagebox.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

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

} // namespace

void guarded(platform::MessageBox& messageBox, const std::function<void()>& command)
{
    try {
        command();
    } catch (const platform::Error& error) {
        platform::showFailure(messageBox, error);
    }
}

void setMenuEnabled(QMenu& menu, bool enabled)
{
    menu.menuAction()->setEnabled(enabled);
    enableShortcuts(menu, enabled);
}
