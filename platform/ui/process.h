#pragma once

#include <QString>

namespace platform {

class Descriptor;

/// Starts programs without waiting for them.
class ProcessStarter {
public:
    ProcessStarter() = default;
    ProcessStarter(const ProcessStarter&) = delete;
    ProcessStarter& operator=(const ProcessStarter&) = delete;
    virtual ~ProcessStarter() = default;

    /// Starts the program at path with no arguments and returns at once.
    /// A missing file raises Error 53; one the user may not run, 70; one
    /// that fails to start otherwise, 75.
    virtual void start(const QString& path) = 0;
    /// Starts the program held open by program (a file checked after it was
    /// opened) with no arguments and returns at once: exactly the bytes that
    /// descriptor reads, whatever path names now. path names the program to
    /// it and in messages; its folder is the working folder. One that cannot
    /// be run raises Error 75.
    virtual void startOpened(const Descriptor& program, const QString& path) = 0;
};

/// QProcess::startDetached, and for an opened program fexecve in a detached
/// child.
class QtProcessStarter final : public ProcessStarter {
public:
    QtProcessStarter() = default;
    void start(const QString& path) override;
    void startOpened(const Descriptor& program, const QString& path) override;
};

} // namespace platform
