// nuvafetch-sign: the publisher's side of signed updates. It makes the key
// pair (the public half goes into the descriptor as "PublicKey=") and signs
// each installer the server offers; the updater verifies the signature while
// the installer downloads.
#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/signature.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

int usage()
{
    std::fputs("Usage:\n"
               "  nuvafetch-sign keygen SECRET-KEY-FILE\n"
               "      makes a key pair, writes the secret key (mode 0600, never over an\n"
               "      existing file) and prints the descriptor's PublicKey= line\n"
               "  nuvafetch-sign public SECRET-KEY-FILE\n"
               "      prints the PublicKey= line of a secret key again\n"
               "  nuvafetch-sign sign SECRET-KEY-FILE INSTALLER > INSTALLER.sig\n"
               "      prints the installer's signature\n"
               "  nuvafetch-sign verify PUBLIC-KEY INSTALLER SIGNATURE-FILE\n"
               "      checks a signature (PUBLIC-KEY as base64 or the PublicKey= line)\n",
               stderr);
    return exitUsage;
}

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "nuvafetch-sign: %s\n", message.toLocal8Bit().constData());
    std::exit(exitFailure);
}

QString argument(const char* text)
{
    return QString::fromLocal8Bit(text);
}

QByteArray readSecretKey(const QString& path)
{
    const auto key =
        platform::decodeBase64Exactly(platform::readWholeFile(path), platform::secretKeyBytes);
    if (!key)
        fail(path + QStringLiteral(" holds no secret key"));
    return *key;
}

void printPublicKeyLine(QByteArrayView publicKey)
{
    std::printf("PublicKey=%s\n", publicKey.toByteArray().toBase64().constData());
}

/// Feeds the file to consume in pieces: an installer is never held whole.
template <typename Consumer> void streamFile(const QString& path, Consumer&& consume)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read ") + path);
    QByteArray buffer(1 << 20, '\0');
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0)
            fail(QStringLiteral("cannot read ") + path);
        if (got == 0)
            return;
        consume(buffer.constData(), static_cast<std::size_t>(got));
    }
}

int keygen(const QString& path)
{
    const platform::KeyPair pair = platform::generateKeyPair();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        fail(errno == EEXIST ? path + QStringLiteral(" exists already: a key is never replaced")
                             : platform::fileError(errno, path).description());
    const QByteArray text = pair.secretKey.toBase64() + '\n';
    const bool written = platform::writeAll(fd, text.constData(), std::size_t(text.size()));
    if (::close(fd) != 0 || !written) {
        ::unlink(name.constData());
        fail(QStringLiteral("cannot write ") + path);
    }
    printPublicKeyLine(pair.publicKey);
    return 0;
}

int sign(const QString& keyPath, const QString& installer)
{
    platform::Signer signer(readSecretKey(keyPath));
    streamFile(installer, [&](const char* data, std::size_t size) { signer.update(data, size); });
    std::printf("%s\n", signer.signature().toBase64().constData());
    return 0;
}

int verify(const QString& keyText, const QString& installer, const QString& signaturePath)
{
    QByteArray key = keyText.toLatin1().trimmed();
    if (key.startsWith("PublicKey="))
        key = key.mid(10);
    const auto publicKey = platform::decodeBase64Exactly(key, platform::publicKeyBytes);
    if (!publicKey)
        fail(QStringLiteral("the public key is not 32 bytes of base64"));
    const auto signature = platform::decodeBase64Exactly(platform::readWholeFile(signaturePath),
                                                         platform::signatureBytes);
    if (!signature)
        fail(signaturePath + QStringLiteral(" holds no signature"));
    platform::SignatureVerifier verifier(*publicKey);
    streamFile(installer, [&](const char* data, std::size_t size) { verifier.update(data, size); });
    if (!verifier.verify(*signature)) {
        std::puts("BAD signature");
        return exitFailure;
    }
    std::puts("good signature");
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "keygen" && argc == 3)
            return keygen(argument(argv[2]));
        if (command == "public" && argc == 3) {
            printPublicKeyLine(*platform::publicKeyOf(readSecretKey(argument(argv[2]))));
            return 0;
        }
        if (command == "sign" && argc == 4)
            return sign(argument(argv[2]), argument(argv[3]));
        if (command == "verify" && argc == 5)
            return verify(argument(argv[2]), argument(argv[3]), argument(argv[4]));
    } catch (const platform::Error& error) {
        fail(error.description());
    }
    return usage();
}
