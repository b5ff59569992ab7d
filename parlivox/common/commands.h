#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace platform {
class MessageBox;
}

/// Runs command; no exception it throws crosses the event loop. A platform
/// failure it does not handle itself is shown as "code - description"
/// titled "Error". Any other exception (out of memory, a fault of the
/// program) is shown the same way with a generic number (7 "Out of memory",
/// 51 "Internal error"), after the keeper in force (see
/// KeepOnUnexpectedFailure) has kept the document's changes; the program
/// goes on.
void guarded(platform::MessageBox& messageBox, const std::function<void()>& command);

/// While it lives, a guarded command that fails unexpectedly first calls
/// keep, which puts the open document's changes where a crash cannot lose
/// them. The newest keeper alive is in force. For the user-interface thread
/// only, as the commands are.
class KeepOnUnexpectedFailure {
public:
    explicit KeepOnUnexpectedFailure(std::function<void()> keep);
    ~KeepOnUnexpectedFailure();
    KeepOnUnexpectedFailure(const KeepOnUnexpectedFailure&) = delete;
    KeepOnUnexpectedFailure& operator=(const KeepOnUnexpectedFailure&) = delete;

private:
    friend void guarded(platform::MessageBox&, const std::function<void()>&);

    std::function<void()> m_keep;
};

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
