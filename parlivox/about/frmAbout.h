#pragma once

#include <QDialog>

namespace platform {
struct Platform;
}

/// The "About..." box.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(platform::Platform& platform, QWidget* parent = nullptr);
};
