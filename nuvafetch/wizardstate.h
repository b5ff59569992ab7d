#pragma once

#include <QByteArray>
#include <QString>

/// The updater's process-wide values shared by its pages.
struct WizardState {
    QString descriptorPath;
    QString productName;
    QString majorText;
    QString minorText;
    QString revText;
    /// The publisher's key the installer must be signed with; empty: unsigned.
    QByteArray publicKey;
    bool updateReady = false;
    QString installerPath;
};
