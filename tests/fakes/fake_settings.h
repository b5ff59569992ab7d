#pragma once

#include "platform/settings.h"

#include <QMap>

/// Settings kept in memory, keyed "app/section/key".
class FakeSettings final : public platform::SettingsStore {
public:
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override
    {
        return values.value(path(appName, section, key), defaultValue);
    }
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override
    {
        values.insert(path(appName, section, key), value);
        ++writes;
    }

    /// The editor's own section.
    QString config(const QString& key) const
    {
        return values.value(path(QStringLiteral("Parlivox"), QStringLiteral("Config"), key));
    }
    bool hasConfig(const QString& key) const
    {
        return values.contains(path(QStringLiteral("Parlivox"), QStringLiteral("Config"), key));
    }
    void setConfig(const QString& key, const QString& value)
    {
        values.insert(path(QStringLiteral("Parlivox"), QStringLiteral("Config"), key), value);
    }

    QMap<QString, QString> values;
    int writes = 0;

private:
    static QString path(const QString& a, const QString& s, const QString& k)
    {
        return a + u'/' + s + u'/' + k;
    }
};
