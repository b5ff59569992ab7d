#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace platform {

Error invalidCall(const QString& detail)
{
    QString text = QStringLiteral("Invalid procedure call or argument");
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    return Error(err::InvalidCall, text);
}

Error cancelSelected()
{
    return Error(err::Cancel, QStringLiteral("Cancel was selected."));
}

Error fileError(int errnoValue, const QString& path)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errnoValue));
    switch (errnoValue) {
    case ENOENT:
        return Error(err::FileNotFound, QStringLiteral("File not found: ") + path);
    case EACCES:
    case EPERM:
    case EROFS:
        return Error(err::PermissionDenied, QStringLiteral("Permission denied: ") + path);
    case ENOSPC:
    case EDQUOT:
        return Error(err::DiskFull, QStringLiteral("Disk full: ") + path);
    case ENOTDIR:
        return Error(err::PathNotFound, QStringLiteral("Path not found: ") + path);
    default:
        return Error(err::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                              QStringLiteral(" (") + reason + QStringLiteral(")"));
    }
}

Error unexpectedError(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception& exception) {
        const QString words = QString::fromLocal8Bit(exception.what()).trimmed();
        return Error(err::Internal, words.isEmpty() ? QStringLiteral("Internal error")
                                                    : QStringLiteral("Internal error: ") + words);
    } catch (...) {
        return Error(err::Internal, QStringLiteral("Internal error"));
    }
}

} // namespace platform
