#pragma once

#include <QString>

namespace platform {
class MessageBox;
class ProcessStarter;
class HttpClient;
} // namespace platform

/// Everything through which the updater reaches outside its process; the
/// pages receive it by constructor, tests hand in fakes.
struct UpdaterServices {
    platform::MessageBox& messageBox;
    platform::ProcessStarter& processes;
    platform::HttpClient& inet;
    /// Where the descriptor is read and the installer is saved.
    QString applicationDirectory;
    /// Where the installer is saved when the application directory is not
    /// the user's to write ($XDG_CACHE_HOME/Nuvafetch).
    QString cacheFolder;
    /// The update server's base address ("http://host").
    QString serverBase;
};
