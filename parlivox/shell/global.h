#pragma once

#include <QString>

#include <memory>

namespace platform {
class MessageBox;
}
class AppState;
class frmMain;

/// What a variant of the program adds to its start-up: the product has
/// none; the tests that run the program in a child process link one that
/// answers its questions and reports its state (tests/shell/testhooks.h).
class StartHooks {
public:
    StartHooks() = default;
    StartHooks(const StartHooks&) = delete;
    StartHooks& operator=(const StartHooks&) = delete;
    virtual ~StartHooks() = default;

    /// A message box to use in place of the real one; none keeps it.
    virtual std::unique_ptr<platform::MessageBox> messageBox() = 0;
    /// The folder of text recognition's language data in place of the
    /// installed one; empty keeps it.
    virtual QString recognitionData() { return {}; }
    /// The window is up and the event loop about to run.
    virtual void shown(frmMain& window) = 0;
    /// The event loop ended with the window still there.
    virtual void ended(frmMain& window, const AppState& state) = 0;
};

/// The editor's start-up procedure: registers the help file, initialises the
/// common controls, loads and shows the main window, and runs until the last
/// window is unloaded. Returns the process's exit code.
int Main(int argc, char* argv[], StartHooks* hooks = nullptr);
