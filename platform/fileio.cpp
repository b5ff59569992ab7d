#include "platform/fileio.h"

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
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

/// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    /// Closes now and reports close's own failure (a delayed write error).
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

mode_t newFileMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

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

AtomicFile::AtomicFile(const QString& path, std::optional<mode_t> mode) : m_path(path)
{
    // Write through a symbolic link to the file it names, keeping the link.
    QFileInfo target(path);
    if (target.isSymLink() && QFileInfo(target.symLinkTarget()).dir().exists())
        target = QFileInfo(target.symLinkTarget());
    if (!target.absoluteDir().exists())
        throw Error(err::PathNotFound, QStringLiteral("Path not found: ") + path);
    if (target.isDir())
        throw fileError(EISDIR, path);
    m_target = QFile::encodeName(target.absoluteFilePath());
    struct stat existing {};
    const bool exists = ::stat(m_target.constData(), &existing) == 0;
    if (exists && ::faccessat(AT_FDCWD, m_target.constData(), W_OK, AT_EACCESS) != 0)
        throw fileError(errno, path); // a read-only file stays read-only

    m_temporary = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") +
                                    target.fileName() + QStringLiteral(".XXXXXX"));
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw fileError(errno, path);
    const mode_t wanted = mode ? *mode : exists ? existing.st_mode & 07777 : newFileMode();
    if (::fchmod(m_fd, wanted) != 0)
        fail(errno); // the destructor removes the temporary file
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

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
    if (::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(m_temporary.constData(), m_target.constData()) != 0)
        fail(errno);
    m_committed = true;
    // Make the rename itself durable.
    const int slash = m_target.lastIndexOf('/');
    Descriptor dir(::open(m_target.left(slash > 0 ? slash : 1).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

void writeFileAtomically(const QString& path, QByteArrayView data)
{
    AtomicFile file(path);
    if (!file.write(data.data(), std::size_t(data.size())))
        throw file.error();
    file.commit();
}

} // namespace platform
