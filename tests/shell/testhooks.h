#pragma once
// The test variant of the program (ParlivoxTest, built with the tests and
// never installed): the tests that run the real program in a child process
// drive it through these hooks. Each is off unless its variable is set; the
// product (Parlivox) links none of this.
//
//   PARLIVOX_TEST_ANSWERS=Yes,No   message boxes are not shown: each is
//                                  printed on standard error and answered
//                                  from the list (then Yes, or OK)
//   PARLIVOX_TEST_TYPE=text        once the window is up, text is typed into
//                                  the editor key by key
//   PARLIVOX_TEST_REPORT=path      the document's state is written to path
//                                  when the program ends
//   PARLIVOX_TEST_TESSDATA=folder  text recognition finds its language data
//                                  there (none: as if none were installed)
// With any of them set, "ready" is printed on standard output once the
// window is up and the typing done.

#include "parlivox/shell/global.h"

namespace testhooks {

/// The hooks of the environment above.
class EnvironmentHooks final : public StartHooks {
public:
    EnvironmentHooks() = default;
    std::unique_ptr<platform::MessageBox> messageBox() override;
    QString recognitionData() override;
    /// Types PARLIVOX_TEST_TYPE once the event loop runs, then says "ready".
    void shown(frmMain& window) override;
    /// Writes the document's state to PARLIVOX_TEST_REPORT.
    void ended(frmMain& window, const AppState& state) override;
};

} // namespace testhooks
