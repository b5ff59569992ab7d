#include "parlivox/common/logic/buildinfo.h"

#include "generated/buildinfo.h"

namespace buildinfo {

int versionMajor()
{
    return PARLIVOX_VERSION_MAJOR;
}

int versionMinor()
{
    return PARLIVOX_VERSION_MINOR;
}

int versionRevision()
{
    return PARLIVOX_VERSION_REVISION;
}

QString website()
{
    return QStringLiteral(PARLIVOX_WEBSITE);
}

} // namespace buildinfo
