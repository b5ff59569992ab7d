// Signed installers: the stream signatures, the publishers' tool, and where
// the installer is kept.
#include "nuvafetch/logic/installer.h"
#include "platform/signature.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray signWhole(const QByteArray& secretKey, const QByteArray& data)
{
    platform::Signer signer(secretKey);
    signer.update(data.constData(), std::size_t(data.size()));
    return signer.signature();
}

/// Verifies data fed in pieces of the given size.
bool verifyInPieces(const QByteArray& publicKey, const QByteArray& data,
                    const QByteArray& signature, qsizetype piece)
{
    platform::SignatureVerifier verifier(publicKey);
    for (qsizetype at = 0; at < data.size(); at += piece)
        verifier.update(data.constData() + at, std::size_t(std::min(piece, data.size() - at)));
    return verifier.verify(signature);
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

/// Runs the publishers' tool; its standard output, or nothing when it failed.
std::optional<QByteArray> runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(NUVAFETCH_SIGN_TOOL), arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return std::nullopt;
    return tool.readAllStandardOutput();
}

} // namespace

TEST(Signature, StreamVerifiesOnlyTheSignedBytesUnderTheSignersKey)
{
    const platform::KeyPair pair = platform::generateKeyPair();
    const platform::KeyPair other = platform::generateKeyPair();
    ASSERT_EQ(pair.publicKey.size(), 32);
    EXPECT_EQ(platform::publicKeyOf(pair.secretKey), pair.publicKey);
    QByteArray data(300000, '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 % 256);
    const QByteArray signature = signWhole(pair.secretKey, data);
    ASSERT_EQ(signature.size(), 64);

    // However the transfer cuts the body into pieces, the result is the same.
    for (const qsizetype piece : {qsizetype(1) << 20, qsizetype(16384), qsizetype(1000)})
        EXPECT_TRUE(verifyInPieces(pair.publicKey, data, signature, piece)) << piece;
    QByteArray flipped = data;
    flipped[123456] = char(flipped[123456] ^ 1);
    EXPECT_FALSE(verifyInPieces(pair.publicKey, flipped, signature, 16384));
    EXPECT_FALSE(verifyInPieces(pair.publicKey, data.chopped(1), signature, 16384));
    EXPECT_FALSE(verifyInPieces(other.publicKey, data, signature, 16384));
    EXPECT_FALSE(verifyInPieces(pair.publicKey, data, signWhole(other.secretKey, data), 16384));
    EXPECT_FALSE(verifyInPieces(pair.publicKey, data, signature.chopped(1), 16384));
}

TEST(Signature, Base64MustBeCanonicalAndExactlyTheSize)
{
    const QByteArray key(32, '\xfb'); // its base64 holds '+' and '/'
    EXPECT_EQ(platform::decodeBase64Exactly(QByteArray(" " + key.toBase64() + "\r\n"), 32), key);
    EXPECT_FALSE(platform::decodeBase64Exactly(key.toBase64(), 64));
    EXPECT_FALSE(platform::decodeBase64Exactly(key.toBase64().chopped(1), 32)); // no padding
    EXPECT_FALSE(platform::decodeBase64Exactly(key.toBase64().insert(10, "\n"), 32));
    EXPECT_FALSE(platform::decodeBase64Exactly(key.toBase64(QByteArray::Base64UrlEncoding), 32));
    EXPECT_FALSE(platform::decodeBase64Exactly("<html>404</html>", 32));
}

TEST(SignTool, KeygenWritesAPrivateKeyAndSignaturesVerifyWithItsPublicLine)
{
    QTemporaryDir dir;
    const QString secret = dir.filePath(u"publisher.key"_s);
    const auto line = runTool({u"keygen"_s, secret});
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->startsWith("PublicKey=")) << line->constData();
    EXPECT_EQ(modeOf(secret), 0600u);
    const auto publicKey = platform::decodeBase64Exactly(line->mid(10), 32);
    ASSERT_TRUE(publicKey);
    EXPECT_EQ(runTool({u"public"_s, secret}), *line);
    // An existing key is never overwritten.
    QFile keyFile(secret);
    ASSERT_TRUE(keyFile.open(QIODevice::ReadOnly));
    const QByteArray keyText = keyFile.readAll();
    EXPECT_FALSE(runTool({u"keygen"_s, secret}));
    QFile again(secret);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), keyText);

    const QString installer = dir.filePath(u"update.exe"_s);
    QFile out(installer);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(3 << 20, 'p') + "tail");
    out.close();
    const auto signatureLine = runTool({u"sign"_s, secret, installer});
    ASSERT_TRUE(signatureLine);
    const auto signature = platform::decodeBase64Exactly(*signatureLine, 64);
    ASSERT_TRUE(signature);
    QFile body(installer);
    ASSERT_TRUE(body.open(QIODevice::ReadOnly));
    EXPECT_TRUE(verifyInPieces(*publicKey, body.readAll(), *signature, 65536));

    QFile sig(installer + u".sig"_s);
    ASSERT_TRUE(sig.open(QIODevice::WriteOnly));
    sig.write(*signatureLine);
    sig.close();
    EXPECT_TRUE(runTool(
        {u"verify"_s, QString::fromLatin1(line->trimmed()), installer, installer + u".sig"_s}));
    EXPECT_FALSE(
        runTool({u"verify"_s, QString::fromLatin1(platform::generateKeyPair().publicKey.toBase64()),
                 installer, installer + u".sig"_s}));
    EXPECT_FALSE(runTool({u"sign"_s, installer, installer})); // not a key
}

TEST(InstallerPlace, ApplicationFolderFirstThenAPrivateCacheFolder)
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(u"cache/Nuvafetch"_s);
    const InstallerPlace home = placeInstaller(dir.path(), cache);
    EXPECT_EQ(home.path, dir.filePath(u"update.exe"_s));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_FALSE(QFile::exists(cache));

    // Below a file nothing can be created, not even by root: the test holds
    // for any user.
    QFile blocker(dir.filePath(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unwritable = dir.filePath(u"file/app"_s);
    const InstallerPlace cached = placeInstaller(unwritable, cache);
    EXPECT_EQ(cached.path, cache + u"/update.exe"_s);
    EXPECT_EQ(modeOf(cache), 0700u);
    ::chmod(QFile::encodeName(cache).constData(), 0755);
    EXPECT_EQ(placeInstaller(unwritable, cache).path, cache + u"/update.exe"_s);
    EXPECT_EQ(modeOf(cache), 0700u);

    const InstallerPlace nowhere = placeInstaller(unwritable, dir.filePath(u"file/cache"_s));
    EXPECT_TRUE(nowhere.path.isEmpty());
    EXPECT_EQ(nowhere.unwritableFolder, dir.filePath(u"file/cache"_s));
    EXPECT_EQ(unwritableFolderText(u"/home/a/.cache/Nuvafetch"_s),
              u"Fetchwell cannot write to the folder /home/a/.cache/Nuvafetch."_s);
}
