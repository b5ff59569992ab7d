#include "parlivox/common/logic/settingskeys.h"

#include "platform/settings.h"

namespace settingskeys {

QString get(platform::SettingsStore& store, const QString& key, const QString& defaultValue)
{
    return store.GetSetting(appName, section, key, defaultValue);
}

void save(platform::SettingsStore& store, const QString& key, const QString& value)
{
    store.SaveSetting(appName, section, key, value);
}

} // namespace settingskeys
