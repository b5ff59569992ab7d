#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>
#include <sys/types.h>

class QSaveFile;

namespace platform {

class Error;

/// A file descriptor, closed when it goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    /// Hands the descriptor over; this one is then closed.
    int release();
    /// Closes now and reports close's own failure (a delayed write error).
    int close();

private:
    int m_fd = -1;
};

/// Writes all of data to a descriptor, retrying after interruptions; false
/// (errno set) when the system says no.
bool writeAll(int fd, const void* data, std::size_t bytes);

/// The whole content of a file; platform::Error (53, 70, 75...) when it
/// cannot be read.
QByteArray readWholeFile(const QString& path);

/// At most the first maxBytes of a file that is a regular file of this user,
/// opened without following a symbolic link in its last component (a file
/// in a folder others must not be able to plant things in). Anything else,
/// a longer file when whole is set, raises platform::Error.
QByteArray readOwnFile(const QString& path, qint64 maxBytes, bool whole = true);

/// The folder is a real folder (no symbolic link) of this user that no one
/// else may read, write or enter (0700).
bool isPrivateFolder(const QString& path);

/// A file written beside its target and renamed over it only when complete
/// and on disk: a failed or interrupted write never damages the previous
/// file, and an abandoned one leaves nothing behind.
///
/// QSaveFile makes the temporary file, renames it and removes an abandoned
/// one. What it lacks is added here: a symbolic link is resolved by the
/// kernel (QSaveFile follows a chain of links by hand, out of reach of the
/// kernel's protections for links in sticky folders); the replaced file's
/// whole mode is kept (QSaveFile keeps only the read, write and run bits);
/// a failed flush to disk fails the save (QSaveFile ignores it); the rename
/// is made durable by a flush of the folder; writes report errno, positioned
/// writes let a header be rewritten, and a large file starts its way to the
/// disk while it is written.
class AtomicFile {
public:
    /// Starts the temporary file. Without a mode, an existing target's mode
    /// is kept and a new file gets the usual 0666 less the umask. A symbolic
    /// link is written through: its final target, as the kernel resolves it,
    /// is replaced and the link kept. A read-only target, a missing folder or
    /// a target that is no regular file raise platform::Error.
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
    /// A descriptor of the file being written, open for reading only: once
    /// committed it is the file at the target, whatever happens to the path.
    Descriptor openForReading() const;
    /// Where the file goes: the final target of the path given.
    const QString& target() const { return m_target; }

private:
    [[noreturn]] void fail(int errnoValue);

    QString m_path;
    QString m_target;
    std::unique_ptr<QSaveFile> m_file;
    int m_fd = -1;
    int m_errno = 0;
    qint64 m_size = 0;
    qint64 m_flushStarted = 0;
    bool m_committed = false;
};

/// Replaces path's content with data through an AtomicFile.
void writeFileAtomically(const QString& path, QByteArrayView data);

} // namespace platform
