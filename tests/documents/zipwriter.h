#pragma once
// Zip archives made in memory for tests and fuzzing: named entries, stored
// or deflated, written through libzip into a buffer.
#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>
#include <zip.h>

namespace testzip {

struct Entry {
    QString name;
    QByteArray data;
};

inline QByteArray make(const std::vector<Entry>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const Entry& entry : entries) {
        // libzip copies the bytes when the archive is closed: keep them until then.
        zip_source_t* source =
            zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    QByteArray bytes;
    if (zip_source_open(buffer) == 0) {
        char chunk[65536];
        zip_int64_t got;
        while ((got = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
            bytes.append(chunk, qsizetype(got));
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

} // namespace testzip
