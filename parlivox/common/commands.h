#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace platform {
class MessageBox;
}

/// Runs command; a platform failure it does not handle itself is shown as
/// "code - description" titled "Error" instead of crossing the event loop.
void guarded(platform::MessageBox& messageBox, const std::function<void()>& command);

/// Connects signal of sender to command, run guarded, for as long as context lives.
template <typename Sender, typename Signal>
void connectGuarded(Sender* sender, Signal signal, QObject* context,
                    platform::MessageBox& messageBox, std::function<void()> command)
{
    QObject::connect(sender, signal, context,
                     [&messageBox, command = std::move(command)] { guarded(messageBox, command); });
}

/// Enables or disables a whole menu with its items' shortcuts (Qt would
/// still fire the shortcuts of a disabled menu's items). Each item keeps its
/// own enabled state for when the menu comes back.
void setMenuEnabled(QMenu& menu, bool enabled);
