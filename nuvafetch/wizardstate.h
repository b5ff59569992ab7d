#pragma once

#include <QString>

/// The updater's process-wide values shared by its pages.
struct WizardState {
    QString descriptorPath;
    QString productName;
    QString majorText;
    QString minorText;
    QString revText;
    bool updateReady = false;
    QString installerPath;
};
