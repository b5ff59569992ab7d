#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// The directory that holds the running executable, without a trailing separator.
QString applicationDirectory();

/// "\X appended to the application directory": dir + "/X".
QString applicationFile(const QString& name);

/// The command line's argument text as the other desktop passes it: every
/// argument after the program's name in double quotes, joined by spaces.
/// A single file argument therefore reads "\"/path/to/file\"".
QString commandLineText(const QStringList& arguments);

/// The folder for a user's state that outlives a run ($XDG_STATE_HOME,
/// ~/.local/state when it is unset or not an absolute path).
QString stateHome();

/// The help file registered at start-up (application directory + "/Parlivox.hlp").
QString helpFilePath();
void setHelpFilePath(const QString& path);

} // namespace platform
