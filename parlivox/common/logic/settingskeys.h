#pragma once

#include <QString>

namespace platform {
class SettingsStore;
}

/// The editor's keys in the settings store: application "Parlivox",
/// section "Config".
namespace settingskeys {

inline const QString appName = QStringLiteral("Parlivox");
inline const QString section = QStringLiteral("Config");
/// "1" when the window was last maximised, "0" when normal.
inline const QString wMax = QStringLiteral("wMax");
/// The voice rate, decimal.
inline const QString Speed = QStringLiteral("Speed");
/// The description of the chosen voice.
inline const QString Voice = QStringLiteral("Voice");
/// "1" reads punctuation marks aloud, "0" does not.
inline const QString ReadP = QStringLiteral("ReadP");
/// "1" follows the reading in the editor (highlight, kept in view), "0" does not.
inline const QString Follow = QStringLiteral("Follow");

/// Reads key from the editor's section, or defaultValue.
QString get(platform::SettingsStore& store, const QString& key, const QString& defaultValue);
/// Writes key in the editor's section.
void save(platform::SettingsStore& store, const QString& key, const QString& value);

} // namespace settingskeys
