#pragma once

#include <QDateTime>

namespace platform {

/// The wall clock, in local time.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    virtual QDateTime now() = 0;
};

class SystemClock final : public Clock {
public:
    SystemClock() = default;
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

} // namespace platform
