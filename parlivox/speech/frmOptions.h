#pragma once

#include <QDialog>

namespace platform {
struct Platform;
}
class AppState;

/// The "Options..." dialog: voice, speed and punctuation reading.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    /// Creating the dialog runs its load; it stays hidden until shown.
    frmOptions(platform::Platform& platform, AppState& state, QWidget* parent = nullptr);
};
