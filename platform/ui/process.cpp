#include "platform/ui/process.h"

#include "platform/error.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

#include <unistd.h>

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

} // namespace platform
