#pragma once
// Hooks for the tests that run the real program in a child process. Each is
// off unless its environment variable is set; none is meant for users.
//
//   PARLIVOX_TEST_ANSWERS=Yes,No   message boxes are not shown: each is
//                                  printed on standard error and answered
//                                  from the list (then Yes, or OK)
//   PARLIVOX_TEST_TYPE=text        once the window is up, text is typed into
//                                  the editor key by key
//   PARLIVOX_TEST_REPORT=path      the document's state is written to path
//                                  when the program ends
// With any of them set, "ready" is printed on standard output once the
// window is up and the typing done.

#include <memory>

namespace platform {
class MessageBox;
}
class AppState;
class frmMain;

namespace testhooks {

/// The scripted message box when PARLIVOX_TEST_ANSWERS is set, else none.
std::unique_ptr<platform::MessageBox> scriptedMessageBox();
/// Types PARLIVOX_TEST_TYPE once the event loop runs, then says "ready".
void typeWhenShown(frmMain& window);
/// Writes the document's state to PARLIVOX_TEST_REPORT.
void report(frmMain& window, const AppState& state);

} // namespace testhooks
