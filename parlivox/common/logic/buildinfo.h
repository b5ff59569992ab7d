#pragma once

#include <QString>

/// What this build of the editor is: its version and its maker's address.
namespace buildinfo {

int versionMajor();
int versionMinor();
int versionRevision();
/// The maker's web-site address, shown when the updater cannot be started.
QString website();

} // namespace buildinfo
