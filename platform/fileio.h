#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace platform {

class Error;

/// Writes all of data to a descriptor, retrying after interruptions; false
/// (errno set) when the system says no.
bool writeAll(int fd, const void* data, std::size_t bytes);

/// The whole content of a file; platform::Error (53, 70, 75...) when it
/// cannot be read.
QByteArray readWholeFile(const QString& path);

/// A file written beside its target and renamed over it only when complete
/// and on disk: a failed or interrupted write never damages the previous
/// file, and an abandoned one leaves nothing behind.
class AtomicFile {
public:
    /// Starts the temporary file. Without a mode, an existing target's mode
    /// is kept and a new file gets the usual 0666 less the umask. A symbolic
    /// link is written through; a read-only target or a missing folder raise
    /// platform::Error.
    explicit AtomicFile(const QString& path, std::optional<mode_t> mode = std::nullopt);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    /// Appends data; false when the disk says no (error() tells why). Never
    /// throws, so it may be called from C callbacks.
    bool write(const char* data, std::size_t size);
    /// Writes data at offset, over what is there or beyond the end (a header
    /// written again once the sizes in it are known); false like write().
    bool writeAt(qint64 offset, const char* data, std::size_t size);
    /// The length of the file so far.
    qint64 size() const { return m_size; }
    /// The failure of the last write that returned false.
    Error error() const;
    /// Flushes, closes and renames over the target; platform::Error on failure.
    void commit();

private:
    [[noreturn]] void fail(int errnoValue);

    QString m_path;
    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_errno = 0;
    qint64 m_size = 0;
    qint64 m_flushStarted = 0;
    bool m_committed = false;
};

/// Replaces path's content with data through an AtomicFile.
void writeFileAtomically(const QString& path, QByteArrayView data);

} // namespace platform
