#include "platform/settings.h"

#include "platform/error.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

IniSettingsStore::IniSettingsStore(QString configRoot) : m_root(std::move(configRoot))
{
    if (m_root.isEmpty())
        m_root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStore::filePath(const QString& appName) const
{
    return m_root + u'/' + appName + u'/' + appName + QStringLiteral(".ini");
}

QString IniSettingsStore::GetSetting(const QString& appName, const QString& section,
                                     const QString& key, const QString& defaultValue)
{
    QSettings ini(filePath(appName), QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return defaultValue;
    const QVariant value = ini.value(section + u'/' + key);
    if (!value.isValid())
        return defaultValue;
    // A value written by hand as a list ("a, b") comes back as a string list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void IniSettingsStore::SaveSetting(const QString& appName, const QString& section,
                                   const QString& key, const QString& value)
{
    QDir().mkpath(m_root + u'/' + appName);
    QSettings ini(filePath(appName), QSettings::IniFormat);
    ini.setValue(section + u'/' + key, value);
    ini.sync();
    // A setting that could not be kept is a failure, not a silent loss.
    if (ini.status() == QSettings::AccessError)
        throw Error(err::PermissionDenied,
                    QStringLiteral("The settings cannot be saved in ") + filePath(appName));
}

} // namespace platform
