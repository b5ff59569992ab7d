#include "platform/ui/process.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

void QtProcessStarter::start(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists() || file.isDir())
        throw Error(err::FileNotFound, QStringLiteral("File not found: ") + path);
    // Asked as the start itself will ask (a file without its execute bit, a
    // folder mounted noexec), so that the failure names the reason: 70.
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0)
        throw fileError(errno, path);
    QProcess process;
    process.setProgram(path);
    process.setWorkingDirectory(file.absolutePath());
    if (!process.startDetached())
        throw Error(err::PathFileAccess, QStringLiteral("Cannot run ") + path +
                                             QStringLiteral(" (") + process.errorString() +
                                             QStringLiteral(")"));
}

void QtProcessStarter::startOpened(const Descriptor& program, const QString& path)
{
    // Everything the children need is made before they exist: between fork
    // and exec only async-signal-safe calls are allowed.
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    char* const argv[] = {const_cast<char*>(name.constData()), nullptr};
    // The grandchild reports a failed exec through this pipe; a successful
    // one closes it (close-on-exec) and the parent reads nothing.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw fileError(errno, path);
    Descriptor reading(report[0]);
    Descriptor writing(report[1]);
    const pid_t child = ::fork();
    if (child < 0)
        throw fileError(errno, path);
    if (child == 0) {
        // Detached as QProcess::startDetached does: a new session, and a
        // grandchild that init adopts.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild > 0)
            ::_exit(0);
        if (grandchild == 0) {
            static_cast<void>(::chdir(folder.constData()));
            // A script is read by its interpreter through /dev/fd/N: that
            // descriptor must stay open across the exec.
            const int fd = ::dup(program.get());
            ::fexecve(fd, argv, environ);
        }
        const int failure = errno;
        static_cast<void>(::write(writing.get(), &failure, sizeof failure));
        ::_exit(127);
    }
    writing.close();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t got = 0;
    do {
        got = ::read(reading.get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got > 0)
        throw fileError(failure, path);
}

} // namespace platform
