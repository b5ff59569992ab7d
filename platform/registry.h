#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace platform {

/// Registry roots and value types, numbered as the classic registry numbers them.
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002U;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
/// Results: 0 success, 2 no such key or value.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;

/// Read access to a registry of named keys holding typed values.
class Registry {
public:
    using Handle = std::uintptr_t;

    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    virtual ~Registry() = default;

    /// Opens subKey under root; 0 and a handle on success, an error code otherwise.
    virtual long RegOpenKeyEx(std::uint32_t root, const QString& subKey, std::uint32_t options,
                              std::uint32_t samDesired, Handle& key) = 0;
    /// Reads valueName into data, which holds size bytes on entry; on success
    /// sets type and size (the bytes of the value) and returns 0.
    virtual long RegQueryValueEx(Handle key, const QString& valueName, std::uint32_t& type,
                                 QByteArray& data, std::uint32_t& size) = 0;
    /// Closes a handle from RegOpenKeyEx.
    virtual long RegCloseKey(Handle key) = 0;
};

/// The registry of this desktop: it holds one value, the path of an installed
/// system-information program under SOFTWARE\Microsoft\Shared Tools\MSINFO,
/// value PATH, found on the search path; every other key is absent.
class LinuxRegistry final : public Registry {
public:
    LinuxRegistry() = default;
    long RegOpenKeyEx(std::uint32_t root, const QString& subKey, std::uint32_t options,
                      std::uint32_t samDesired, Handle& key) override;
    long RegQueryValueEx(Handle key, const QString& valueName, std::uint32_t& type,
                         QByteArray& data, std::uint32_t& size) override;
    long RegCloseKey(Handle key) override;
};

} // namespace platform
