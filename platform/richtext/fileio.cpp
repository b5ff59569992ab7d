#include "platform/richtext/fileio.h"

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

/// Documents beyond this size are refused rather than allowed to exhaust
/// memory once decoded and laid out.
constexpr qint64 maxDocumentBytes = qint64(512) * 1024 * 1024;
constexpr int errOutOfMemory = 7;

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

bool writeAll(int fd, const char* data, qsizetype length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

QByteArray readWholeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw fileError(errno, path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw fileError(errno, path);
    if (S_ISDIR(info.st_mode))
        throw fileError(EISDIR, path);
    if (info.st_size > maxDocumentBytes)
        throw Error(errOutOfMemory, QStringLiteral("Out of memory: ") + path +
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
            throw Error(errOutOfMemory, QStringLiteral("Out of memory: ") + path +
                                            QStringLiteral(" is too large to open"));
        data.append(buffer, got);
    }
    return data;
}

void writeFileAtomically(const QString& path, QByteArrayView data)
{
    // Write through a symbolic link to the file it names, keeping the link.
    QFileInfo target(path);
    if (target.isSymLink() && QFileInfo(target.symLinkTarget()).dir().exists())
        target = QFileInfo(target.symLinkTarget());
    if (!target.absoluteDir().exists())
        throw Error(err::PathNotFound, QStringLiteral("Path not found: ") + path);
    if (target.isDir())
        throw fileError(EISDIR, path);
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    struct stat existing {};
    const bool exists = ::stat(finalName.constData(), &existing) == 0;
    if (exists && ::faccessat(AT_FDCWD, finalName.constData(), W_OK, AT_EACCESS) != 0)
        throw fileError(errno, path); // a read-only file stays read-only

    QByteArray temporary = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") +
                                             target.fileName() + QStringLiteral(".XXXXXX"));
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw fileError(errno, path);
    const auto fail = [&](int error) {
        ::unlink(temporary.constData());
        return fileError(error, path);
    };
    if (!writeAll(fd.get(), data.data(), data.size()))
        throw fail(errno);
    const mode_t mode = exists ? existing.st_mode & 07777 : newFileMode();
    if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0)
        throw fail(errno);
    if (fd.close() != 0)
        throw fail(errno);
    if (::rename(temporary.constData(), finalName.constData()) != 0)
        throw fail(errno);
    // Make the rename itself durable.
    Descriptor dir(::open(QFile::encodeName(target.absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

} // namespace platform
