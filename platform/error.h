#pragma once

#include <QString>

#include <exception>
#include <string>

namespace platform {

/// The one failure type of the platform layer: a classic error number and a
/// description a user understands. Thrown where the system says no, caught
/// once at the failure path of the operation that called it.
class Error : public std::exception {
public:
    Error(int number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toStdString())
    {
    }

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    /// "code - description", the form most failure messages show.
    QString codeAndDescription() const
    {
        return QString::number(m_number) + QStringLiteral(" - ") + m_description;
    }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

/// Every error number the programs report, in one place: the classic
/// numbers first, then those of the speech engine and the transfer component.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int TypeMismatch = 13;
/// A failure of the program itself: an exception that nothing expected. (The
/// speech engine's failure to speak is reported under the same classic number.)
inline constexpr int Internal = 51;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int BadFileFormat = 321;
inline constexpr int Printer = 482;
inline constexpr int Cancel = 32755;

// The speech engine.
inline constexpr int EngineUnavailable = 429; ///< the engine cannot start or has no voices
inline constexpr int Synthesis = 51;          ///< the engine failed to speak a text
inline constexpr int DeviceIO = 57;           ///< the sound output failed

// The transfer component.
inline constexpr int TransferFailed = 35750;     ///< any other failure of the transfer
inline constexpr int CannotConnect = 35751;      ///< host unknown or not answering
inline constexpr int TransferTimeout = 35752;    ///< nothing arrived within the time-out
inline constexpr int HttpStatus = 35753;         ///< the reply's status is not 2xx
inline constexpr int TransferIncomplete = 35754; ///< the body ended short of its length
inline constexpr int TransferCancelled = 35755;  ///< cancel() was called
inline constexpr int ReplyRefused = 35756;       ///< too large for text, or HTML for a file
inline constexpr int CertificateRefused = 35757; ///< the server's certificate is not trusted
/// A download whose signature is missing, malformed or does not match it.
inline constexpr int BadSignature = 35760;
} // namespace err

/// Builders for the common failures, so every backend words them alike.
Error invalidCall(const QString& detail = {});
Error cancelSelected();
/// Maps an errno value from a failed file operation on path to the classic
/// number (53, 61, 70, 75, 76) with a description naming the file.
Error fileError(int errnoValue, const QString& path);
/// What a user is told of an exception that is not a platform::Error:
/// std::bad_alloc is 7 "Out of memory", anything else 51 "Internal error"
/// with the exception's own words when it has some.
Error unexpectedError(const std::exception_ptr& failure);

} // namespace platform
