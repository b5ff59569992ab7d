#pragma once

#include <QString>

#include <memory>

namespace platform {

/// The per-user settings store: text values addressed by application name,
/// section and key. A key that is not stored reads as the caller's default.
class SettingsStore {
public:
    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    virtual ~SettingsStore() = default;

    /// Reads a value, or defaultValue when it is not stored.
    virtual QString GetSetting(const QString& appName, const QString& section, const QString& key,
                               const QString& defaultValue) = 0;
    /// Stores a value as text; raises platform::Error when it cannot be kept.
    virtual void SaveSetting(const QString& appName, const QString& section, const QString& key,
                             const QString& value) = 0;
};

/// The real store: one INI file per application at
/// $XDG_CONFIG_HOME/<appName>/<appName>.ini, sections as INI groups.
/// A file that cannot be parsed reads as empty and is left untouched until
/// the next write replaces it.
class IniSettingsStore final : public SettingsStore {
public:
    /// configRoot empty: the user's configuration directory.
    explicit IniSettingsStore(QString configRoot = {});
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;

    /// Where the values of appName are kept.
    QString filePath(const QString& appName) const;

private:
    QString m_root;
};

} // namespace platform
