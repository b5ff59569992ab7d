#include "platform/fileio.h"

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

/// Documents beyond this size are refused rather than allowed to exhaust
/// memory once decoded and laid out.
constexpr qint64 maxDocumentBytes = qint64(512) * 1024 * 1024;
/// How much of a file being written may wait in memory before its write-back starts.
constexpr qint64 writeBackChunk = qint64(8) * 1024 * 1024;

mode_t newFileMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

/// The file a path names once the kernel has followed its symbolic links,
/// with the protections it gives links in sticky folders: a link another
/// user planted there is refused, as it would be for any program. A path
/// that names nothing yet is its own target, except a link to a file not
/// there yet, which the kernel creates where the link points.
QString finalTarget(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    Descriptor fd(::open(name.constData(), O_PATH | O_CLOEXEC));
    if (!fd.isOpen() && errno == ENOENT) {
        struct stat link {};
        if (::lstat(name.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            return path;
        fd = Descriptor(::open(name.constData(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666));
    }
    if (!fd.isOpen())
        throw errno == ENOENT ? Error(err::PathNotFound, QStringLiteral("Path not found: ") + path)
                              : fileError(errno, path);
    char target[PATH_MAX + 1];
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.get());
    const ssize_t size = ::readlink(self.constData(), target, PATH_MAX);
    if (size <= 0 || target[0] != '/')
        return path; // without /proc the path stays as given
    return QFile::decodeName(QByteArray(target, size));
}

} // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int Descriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int Descriptor::close()
{
    const int result = ::close(m_fd);
    m_fd = -1;
    return result;
}

bool writeAll(int fd, const void* data, std::size_t bytes)
{
    const auto* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = ::write(fd, p, bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        p += written;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

QByteArray readWholeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Without blocking: a named pipe would otherwise wait here for a writer.
    Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw fileError(errno, path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw fileError(errno, path);
    if (S_ISDIR(info.st_mode))
        throw fileError(EISDIR, path);
    // A pipe, a device or a socket has no end to read to (/dev/zero).
    if (!S_ISREG(info.st_mode))
        throw Error(err::PathFileAccess,
                    QStringLiteral("Path/File access error: %1 is not a regular file").arg(path));
    if (info.st_size > maxDocumentBytes)
        throw Error(err::OutOfMemory, QStringLiteral("Out of memory: ") + path +
                                          QStringLiteral(" is too large to open"));
    QByteArray data;
    data.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(errno, path);
        }
        if (got == 0)
            break;
        if (data.size() + got > maxDocumentBytes)
            throw Error(err::OutOfMemory, QStringLiteral("Out of memory: ") + path +
                                              QStringLiteral(" is too large to open"));
        data.append(buffer, got);
    }
    return data;
}

QByteArray readOwnFile(const QString& path, qint64 maxBytes, bool whole)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: a named pipe planted here must not hold the program.
    Descriptor fd(
        ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.isOpen())
        throw fileError(errno, path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw fileError(errno, path);
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        throw Error(err::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                             QStringLiteral(" (not a file of this user)"));
    if (whole && info.st_size > maxBytes)
        throw Error(err::OutOfMemory, QStringLiteral("Out of memory: ") + path +
                                          QStringLiteral(" is too large to open"));
    QByteArray data(qsizetype(std::min<qint64>(info.st_size, maxBytes)), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + got, std::size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError(errno, path);
        if (n == 0)
            break;
        got += n;
    }
    data.truncate(got);
    return data;
}

bool isPrivateFolder(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

AtomicFile::AtomicFile(const QString& path, std::optional<mode_t> mode)
    : m_path(path), m_target(finalTarget(path))
{
    const QFileInfo target(m_target);
    if (!target.absoluteDir().exists())
        throw Error(err::PathNotFound, QStringLiteral("Path not found: ") + path);
    const QByteArray name = QFile::encodeName(m_target);
    struct stat existing {};
    const bool exists = ::stat(name.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        throw fileError(EISDIR, path);
    if (exists && !S_ISREG(existing.st_mode))
        throw fileError(EINVAL, path); // a device or a pipe is not replaced by a file
    if (exists && ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
        throw fileError(errno, path); // a read-only file stays read-only
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        throw fileError(errno, path);

    m_file = std::make_unique<QSaveFile>(m_target);
    if (!m_file->open(QIODevice::WriteOnly))
        throw Error(err::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                             QStringLiteral(" (") + m_file->errorString() +
                                             QStringLiteral(")"));
    m_fd = m_file->handle();
    const mode_t wanted = mode ? *mode : exists ? existing.st_mode & 07777 : newFileMode();
    if (::fchmod(m_fd, wanted) != 0)
        fail(errno); // the QSaveFile removes the temporary file
}

AtomicFile::~AtomicFile() = default;

bool AtomicFile::write(const char* data, std::size_t size)
{
    return writeAt(m_size, data, size);
}

bool AtomicFile::writeAt(qint64 offset, const char* data, std::size_t size)
{
    // Positioned writes only: an append never depends on where the last
    // rewrite of a header left the descriptor's offset.
    while (size > 0) {
        const ssize_t written = ::pwrite(m_fd, data, size, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_errno = written < 0 ? errno : EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    m_size = std::max(m_size, offset);
    // A large file (an installer) starts its way to the disk while it is still
    // arriving, so that the flush in commit() has only the tail left to wait for.
    if (m_size - m_flushStarted >= writeBackChunk) {
        ::sync_file_range(m_fd, m_flushStarted, m_size - m_flushStarted, SYNC_FILE_RANGE_WRITE);
        m_flushStarted = m_size;
    }
    return true;
}

Error AtomicFile::error() const
{
    return fileError(m_errno, m_path);
}

void AtomicFile::fail(int errnoValue)
{
    m_errno = errnoValue;
    throw error();
}

void AtomicFile::commit()
{
    // QSaveFile flushes to disk too, but goes on when that fails.
    if (::fsync(m_fd) != 0)
        fail(errno);
    m_fd = -1;
    if (!m_file->commit())
        throw Error(err::PathFileAccess, QStringLiteral("Path/File access error: ") + m_path +
                                             QStringLiteral(" (") + m_file->errorString() +
                                             QStringLiteral(")"));
    m_committed = true;
    // Make the rename itself durable.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_target).absolutePath());
    const Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isOpen())
        ::fsync(dir.get());
}

Descriptor AtomicFile::openForReading() const
{
    // The same file as the one being written, even once it has another name.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    Descriptor fd(::open(self.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen())
        throw fileError(errno, m_path);
    return fd;
}

void writeFileAtomically(const QString& path, QByteArrayView data)
{
    AtomicFile file(path);
    if (!file.write(data.data(), std::size_t(data.size())))
        throw file.error();
    file.commit();
}

} // namespace platform
