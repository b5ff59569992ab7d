#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct zip;

namespace platform::documents {

/// A zip archive read from memory, with the limits that keep a hostile file
/// (a zip bomb) from taking the machine: at most maxEntries entries, and at
/// most maxUnpackedBytes unpacked over all the entries read. Failures throw
/// platform::Error (caught where the document is read).
class ZipArchive {
public:
    static constexpr std::int64_t maxEntries = 20000;
    static constexpr std::int64_t maxUnpackedBytes = 256LL * 1024 * 1024;

    /// Opens data (kept by reference: it must outlive the archive). kind
    /// names the document in messages ("Word document").
    ZipArchive(QByteArrayView data, const QString& fileName, const QString& kind);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    /// True when the archive has an entry of that name (case ignored when
    /// anyCase, as the names of Office parts are).
    bool contains(const QString& name, bool anyCase = false) const;
    /// The entry's bytes; throws when it is missing, encrypted, damaged or
    /// over the limits.
    QByteArray read(const QString& name, bool anyCase = false);
    /// The entry's bytes, or empty when there is no such entry.
    QByteArray readIfPresent(const QString& name, bool anyCase = false);
    /// At most the first maxBytes of the entry; empty when there is none.
    QByteArray readStart(const QString& name, qsizetype maxBytes);

    /// The "damaged" failure of this document, with detail.
    [[noreturn]] void damaged(const QString& detail) const;

private:
    std::int64_t locate(const QString& name, bool anyCase) const;
    QByteArray read(std::int64_t index, const QString& name, qsizetype maxBytes);

    zip* m_zip = nullptr;
    QString m_fileName;
    QString m_kind;
    std::int64_t m_unpacked = 0;
};

/// True when data starts as a zip archive does.
bool looksLikeZip(QByteArrayView data);

} // namespace platform::documents
