#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// The product descriptor the packager places beside the updater: which
/// product it serves and which version of it is installed.
struct ProductDescriptor {
    QString productName;
    /// The installed version's parts as canonical decimal texts ("07" reads "7").
    QString majorText;
    QString minorText;
    QString revText;
    /// The publisher's Ed25519 public key (32 bytes) from "PublicKey"; empty
    /// when the descriptor names none, and installers are then not signed.
    QByteArray publicKey;
};

/// Each descriptor value is read into a buffer of this many characters, so
/// at most 254 of them are significant.
inline constexpr int descriptorBufferSize = 255;

/// The descriptor's path: the application directory + "/Nuvafetch.inf".
QString descriptorPathIn(const QString& applicationDirectory);

/// The "Name" value of section "Product", "Unknown" when there is none.
QString readProductName(QByteArrayView content);
/// The same, read from the file at path (a missing file gives "Unknown").
QString readProductNameFile(const QString& path);

/// A name whose first seven characters are "Unknown" (case counts) marks a
/// descriptor that could not be read.
bool isUnreadableName(const QString& name);

/// A version value as canonical decimal text: a whole number from -32768 to
/// 32767, white space around it allowed ("+07" reads "7", "-1" stays "-1").
/// Nothing for an empty value, a fraction, letters or a value outside 16 bits.
std::optional<QString> canonicalVersionText(QStringView value);

/// The descriptor, or nothing when it is unreadable (no file, no section, no
/// name, a name beginning "Unknown"), one of its versions is malformed, or a
/// "PublicKey" is there but is not 32 bytes of base64. A missing version key
/// counts as 0.
std::optional<ProductDescriptor> readDescriptor(QByteArrayView content);
std::optional<ProductDescriptor> readDescriptorFile(const QString& path);

/// The four lines of the "Critical Error" box about an unreadable descriptor.
QString criticalErrorText();
