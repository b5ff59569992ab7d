#pragma once

#include <QString>

namespace platform {

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
};

/// QProcess::startDetached.
class QtProcessStarter final : public ProcessStarter {
public:
    QtProcessStarter() = default;
    void start(const QString& path) override;
};

} // namespace platform
