#include "platform/ui/process.h"

#include "platform/error.h"

#include <QFileInfo>
#include <QProcess>

namespace platform {

void QtProcessStarter::start(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists() || file.isDir())
        throw Error(err::FileNotFound, QStringLiteral("File not found: ") + path);
    if (!QProcess::startDetached(path, {}, file.absolutePath()))
        throw Error(err::PathFileAccess, QStringLiteral("Cannot run ") + path);
}

} // namespace platform
