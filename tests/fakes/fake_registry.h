#pragma once

#include "platform/registry.h"

#include <QMap>
#include <QSet>

/// A registry in memory: values by "key\value name", each with a type and bytes.
class FakeRegistry final : public platform::Registry {
public:
    struct Value {
        std::uint32_t type = platform::REG_SZ;
        QByteArray bytes;
    };

    void set(const QString& key, const QString& name, Value value)
    {
        keys.insert(key.toLower());
        values.insert(key.toLower() + u'\\' + name.toLower(), value);
    }

    long RegOpenKeyEx(std::uint32_t root, const QString& subKey, std::uint32_t, std::uint32_t,
                      Handle& key) override
    {
        if (root != platform::HKEY_LOCAL_MACHINE || !keys.contains(subKey.toLower()))
            return platform::ERROR_FILE_NOT_FOUND;
        opened.append(subKey.toLower());
        key = static_cast<Handle>(opened.size());
        ++openHandles;
        return platform::ERROR_SUCCESS;
    }
    long RegQueryValueEx(Handle key, const QString& valueName, std::uint32_t& type,
                         QByteArray& data, std::uint32_t& size) override
    {
        const QString path =
            opened.value(static_cast<qsizetype>(key) - 1) + u'\\' + valueName.toLower();
        if (!values.contains(path))
            return platform::ERROR_FILE_NOT_FOUND;
        const Value& v = values[path];
        if (static_cast<std::uint32_t>(v.bytes.size()) > size)
            return 234; // ERROR_MORE_DATA
        type = v.type;
        data.replace(0, v.bytes.size(), v.bytes);
        size = static_cast<std::uint32_t>(v.bytes.size());
        return platform::ERROR_SUCCESS;
    }
    long RegCloseKey(Handle) override
    {
        --openHandles;
        return platform::ERROR_SUCCESS;
    }

    QSet<QString> keys;
    QMap<QString, Value> values;
    QStringList opened;
    int openHandles = 0;
};
