#include "platform/registry.h"

#include <QStandardPaths>
#include <QStringList>

namespace platform {
namespace {

/// The one key this registry holds, and its one value.
const QString sysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString sysInfoValue = QStringLiteral("PATH");
constexpr Registry::Handle sysInfoHandle = 1;
constexpr long ERROR_MORE_DATA = 234;

/// System-information programs of the desktops, the most detailed first.
const QStringList sysInfoPrograms = {
    QStringLiteral("hardinfo"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("plasma-systemmonitor"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
    QStringLiteral("lxtask"),
};

/// The full path of the first such program on the search path, or empty.
QString installedSysInfoProgram()
{
    for (const QString& name : sysInfoPrograms) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace

long LinuxRegistry::RegOpenKeyEx(std::uint32_t root, const QString& subKey, std::uint32_t,
                                 std::uint32_t, Handle& key)
{
    key = 0;
    // Key names compare ignoring case, as the registry's do. Without an
    // installed program the key is absent like every other.
    if (root != HKEY_LOCAL_MACHINE || subKey.compare(sysInfoKey, Qt::CaseInsensitive) != 0 ||
        installedSysInfoProgram().isEmpty())
        return ERROR_FILE_NOT_FOUND;
    key = sysInfoHandle;
    return ERROR_SUCCESS;
}

long LinuxRegistry::RegQueryValueEx(Handle key, const QString& valueName, std::uint32_t& type,
                                    QByteArray& data, std::uint32_t& size)
{
    if (key != sysInfoHandle || valueName.compare(sysInfoValue, Qt::CaseInsensitive) != 0)
        return ERROR_FILE_NOT_FOUND;
    const QString path = installedSysInfoProgram();
    if (path.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    // Text values are stored with their terminating NUL, and the size counts it.
    QByteArray value = path.toUtf8();
    value.append('\0');
    const auto needed = static_cast<std::uint32_t>(value.size());
    if (needed > size) {
        size = needed;
        return ERROR_MORE_DATA;
    }
    if (data.size() < value.size())
        data.resize(value.size());
    data.replace(0, value.size(), value);
    type = REG_SZ;
    size = needed;
    return ERROR_SUCCESS;
}

long LinuxRegistry::RegCloseKey(Handle)
{
    return ERROR_SUCCESS;
}

} // namespace platform
