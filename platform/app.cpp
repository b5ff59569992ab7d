#include "platform/app.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {
namespace {
QString& registeredHelpFile()
{
    static QString path;
    return path;
}
} // namespace

QString applicationDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    return dir;
}

QString applicationFile(const QString& name)
{
    return applicationDirectory() + u'/' + name;
}

QString commandLineText(const QStringList& arguments)
{
    QStringList quoted;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        quoted << u'"' + arguments[i] + u'"';
    return quoted.join(u' ');
}

QString stateHome()
{
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/state");
}

QString helpFilePath()
{
    return registeredHelpFile();
}

void setHelpFilePath(const QString& path)
{
    registeredHelpFile() = path;
}

} // namespace platform
