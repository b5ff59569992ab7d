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
    /// The update server's base address ("http://host").
    QString serverBase;
};
