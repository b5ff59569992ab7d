#include "platform/registry.h"

namespace platform {

// Placeholder until the system-information lookup lands: every key is absent.
long LinuxRegistry::RegOpenKeyEx(std::uint32_t, const QString&, std::uint32_t, std::uint32_t,
                                 Handle& key)
{
    key = 0;
    return ERROR_FILE_NOT_FOUND;
}

long LinuxRegistry::RegQueryValueEx(Handle, const QString&, std::uint32_t&, QByteArray&,
                                    std::uint32_t&)
{
    return ERROR_FILE_NOT_FOUND;
}

long LinuxRegistry::RegCloseKey(Handle)
{
    return ERROR_SUCCESS;
}

} // namespace platform
