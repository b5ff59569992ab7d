#pragma once

#include "platform/fileio.h"

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
    /// The installer's size as the check page read it, in KB; -1 unknown.
    qint64 announcedKb = -1;
    bool updateReady = false;
    QString installerPath;
    /// The installer saved, held open since before it was verified: Install
    /// starts these bytes, whatever installerPath names by then.
    platform::Descriptor installer;
};
