#pragma once

#include <QString>

#include <cstdint>

/// The updater's own version, shown on every page (never the product's).
inline constexpr int updaterMajor = 1;
inline constexpr int updaterMinor = 0;
inline constexpr int updaterRevision = 44;

/// "Fetchwell version 1.00.0044".
QString versionLabel();

/// The update server's base address ("http://host", no trailing slash): the
/// environment variable NUVAFETCH_SERVER when set, else the one built in.
QString updateServerBase();

/// A certificate file trusted for https:// servers besides the system's
/// store: the environment variable NUVAFETCH_CA_FILE (empty when unset).
QString extraCertificateFile();

/// The product name as one path segment of an address: every character but
/// letters, digits, '-', '.', '_' and '~' percent-encoded as UTF-8, and a
/// name of only dots encoded whole so that it cannot climb the path.
QString encodeProductName(const QString& name);

/// The three files of a product on the server. The version and size
/// addresses are lower-cased whole; the installer's only in its name.
QString versionAddress(const QString& base, const QString& productName);
QString sizeAddress(const QString& base, const QString& productName);
QString installerAddress(const QString& base, const QString& productName);

/// The installed version as one number: the three texts joined without a
/// separator (1, 2, 15 gives 1215) and converted to 32 bits, the same rule
/// the server's "version.txt" follows. Raises Error 13 or 6 when the joined
/// text is no number or too large.
std::int32_t localVersionNumber(const QString& majorText, const QString& minorText,
                                const QString& revText);

enum class CheckOutcome { NoUpdate, UpdateAvailable };
/// Only a server version above the installed one is an update; an installed
/// version newer than the server's needs none either.
CheckOutcome compareVersions(std::int32_t local, std::int32_t remote);

/// "Update available (<size>Kb). Press Next to download the update."
QString updateAvailableText(const QString& sizeText);
