// libzip over a buffer in memory: entries are found by name and inflated
// with the byte counts checked as they come, not as the archive claims them.
#include "platform/documents/ziparchive.h"

#include "platform/documents/errors.h"
#include "platform/error.h"

#include <zip.h>

#include <algorithm>
#include <memory>

namespace platform::documents {

bool looksLikeZip(QByteArrayView data)
{
    return data.startsWith("PK\x03\x04") || data.startsWith("PK\x05\x06");
}

ZipArchive::ZipArchive(QByteArrayView data, const QString& fileName, const QString& kind)
    : m_fileName(fileName), m_kind(kind)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &error);
    if (!source)
        throw Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (!m_zip) {
        zip_source_free(source);
        if (code == ZIP_ER_NOZIP && !looksLikeZip(data))
            throw notThisFormat(fileName, kind);
        damaged(QStringLiteral("its zip archive is broken or incomplete"));
    }
    if (zip_get_num_entries(m_zip, 0) > maxEntries) {
        zip_discard(m_zip); // no destructor runs for a constructor that throws
        m_zip = nullptr;
        throw tooLarge(fileName, kind,
                       QStringLiteral("more than %1 files packed in it").arg(maxEntries));
    }
}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

void ZipArchive::damaged(const QString& detail) const
{
    throw documents::damaged(m_fileName, m_kind, detail);
}

std::int64_t ZipArchive::locate(const QString& name, bool anyCase) const
{
    return zip_name_locate(m_zip, name.toUtf8().constData(), anyCase ? ZIP_FL_NOCASE : 0);
}

bool ZipArchive::contains(const QString& name, bool anyCase) const
{
    return locate(name, anyCase) >= 0;
}

QByteArray ZipArchive::readIfPresent(const QString& name, bool anyCase)
{
    return contains(name, anyCase) ? read(name, anyCase) : QByteArray();
}

QByteArray ZipArchive::read(const QString& name, bool anyCase)
{
    const std::int64_t index = locate(name, anyCase);
    if (index < 0)
        damaged(QStringLiteral("%1 is missing").arg(name));
    return read(index, name, -1);
}

QByteArray ZipArchive::readStart(const QString& name, qsizetype maxBytes)
{
    const std::int64_t index = locate(name, false);
    return index < 0 ? QByteArray() : read(index, name, maxBytes);
}

/// The entry's bytes, all of them or (maxBytes >= 0) the first maxBytes.
QByteArray ZipArchive::read(std::int64_t index, const QString& name, qsizetype maxBytes)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) != 0)
        damaged(name);
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw passwordProtected(m_fileName, m_kind);
    const auto budget = maxUnpackedBytes - m_unpacked;
    if (maxBytes < 0 && (stat.valid & ZIP_STAT_SIZE) && std::int64_t(stat.size) > budget)
        throw tooLarge(m_fileName, m_kind, unpackedLimitText());

    const auto closer = [](zip_file_t* file) {
        zip_fclose(file);
    };
    std::unique_ptr<zip_file_t, decltype(closer)> file(
        zip_fopen_index(m_zip, zip_uint64_t(index), 0), closer);
    if (!file)
        damaged(name);
    QByteArray bytes;
    if (maxBytes < 0 && (stat.valid & ZIP_STAT_SIZE))
        bytes.reserve(qsizetype(stat.size));
    char chunk[64 * 1024];
    for (;;) {
        const qsizetype wanted = maxBytes < 0
                                     ? qsizetype(sizeof chunk)
                                     : std::min<qsizetype>(sizeof chunk, maxBytes - bytes.size());
        if (wanted <= 0)
            break;
        const zip_int64_t got = zip_fread(file.get(), chunk, zip_uint64_t(wanted));
        if (got < 0)
            damaged(name);
        if (got == 0)
            break;
        m_unpacked += got;
        if (m_unpacked > maxUnpackedBytes) // the archive understated the size
            throw tooLarge(m_fileName, m_kind, unpackedLimitText());
        bytes.append(chunk, qsizetype(got));
    }
    return bytes;
}

} // namespace platform::documents
