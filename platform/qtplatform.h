#pragma once

#include "platform/platform.h"

#include <memory>

namespace platform {

/// Owns the real backends of every service and hands them out as a Platform.
class QtPlatform {
public:
    QtPlatform();
    ~QtPlatform();
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    Platform& services() { return *m_services; }

private:
    struct Backends;
    std::unique_ptr<Backends> m_backends;
    std::unique_ptr<Platform> m_services;
};

} // namespace platform
