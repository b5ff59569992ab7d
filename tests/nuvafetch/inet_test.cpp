// The transfer component against a real HTTP server on 127.0.0.1.
#include "localserver.h"
#include "platform/inet.h"
#include "tlsidentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <thread>

using namespace Qt::StringLiterals;
using Ending = LocalServer::Ending;
using Reply = LocalServer::Reply;

namespace {

/// Patience of one second, so that time-out cases take seconds, not minutes.
platform::TransferSettings impatient()
{
    platform::TransferSettings settings;
    settings.connectTimeout = std::chrono::seconds(2);
    settings.lowSpeedTime = std::chrono::seconds(1);
    return settings;
}

class Transfers : public ::testing::Test {
protected:
    QString url(const std::string& path) const
    {
        return QString::fromStdString(server.base() + path);
    }

    /// The Error number a call raised, or 0 when it returned.
    template <typename Call> static int failureOf(Call call)
    {
        try {
            call();
        } catch (const platform::Error& error) {
            return error.number();
        }
        return 0;
    }

    static void writeFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    /// Everything in the folder but the target: temporary files left behind.
    QStringList strays() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(u"update.exe"_s);
        return names;
    }

    LocalServer server;
    platform::CurlHttpClient client{impatient()};
    QTemporaryDir dir;
    QString target = dir.filePath(u"update.exe"_s);
};

Reply broken(Ending ending, std::uint64_t after, std::string body = std::string(1000, 'x'))
{
    Reply reply;
    reply.body = std::move(body);
    reply.ending = ending;
    reply.endAfter = after;
    return reply;
}

} // namespace

TEST_F(Transfers, OpenUrlReturnsTheWholeBody)
{
    server.file("/v.txt", "1215\r\n");
    EXPECT_EQ(client.OpenURL(url("/v.txt")), QByteArray("1215\r\n"));
    ASSERT_EQ(server.requests().size(), 1u);
}

TEST_F(Transfers, StatusOutside2xxFailsWhateverTheBody)
{
    Reply error;
    error.status = 500;
    error.body = "1215";
    server.route("/500", error);
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/missing")); }), platform::err::HttpStatus);
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/500")); }), platform::err::HttpStatus);
    EXPECT_EQ(failureOf([&] { client.download(url("/500"), target, {}); }),
              platform::err::HttpStatus);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Transfers, BodyShorterThanAnnouncedFails)
{
    server.route("/short", broken(Ending::Close, 400));
    Reply lying;
    lying.body = "12";
    lying.announcedLength = 100;
    server.route("/lying", lying);
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/short")); }), platform::err::TransferIncomplete);
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/lying")); }), platform::err::TransferIncomplete);
}

TEST_F(Transfers, ResetMidBodyFails)
{
    server.route("/reset", broken(Ending::Reset, 500, std::string(200000, 'x')));
    EXPECT_NE(failureOf([&] { client.OpenURL(url("/reset")); }), 0);
    EXPECT_NE(failureOf([&] { client.download(url("/reset"), target, {}); }), 0);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Transfers, SilentServerTimesOut)
{
    server.route("/silent", broken(Ending::NoReply, 0));
    server.route("/stalled", broken(Ending::Stall, 300));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/silent")); }), platform::err::TransferTimeout);
    EXPECT_EQ(failureOf([&] { client.download(url("/stalled"), target, {}); }),
              platform::err::TransferTimeout);
    // Bounded by the configured patience, not by the server.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST_F(Transfers, SlowButSteadyReplyIsNotCutOff)
{
    // Longer in all than the one-second patience, but never silent for long.
    Reply slow;
    slow.body = std::string(12, '7');
    slow.trickleMs = 200;
    server.route("/slow", slow);
    EXPECT_EQ(client.OpenURL(url("/slow")), QByteArray(12, '7'));
}

TEST_F(Transfers, RedirectsAreFollowedOnlyToWebAddresses)
{
    server.file("/new/v.txt", "1216");
    Reply moved;
    moved.status = 301;
    moved.location = "/new/v.txt";
    server.route("/old/v.txt", moved);
    EXPECT_EQ(client.OpenURL(url("/old/v.txt")), QByteArray("1216"));

    writeFile(target, "secret");
    Reply toFile;
    toFile.status = 301;
    toFile.location = "file://" + target.toStdString();
    server.route("/sneaky", toFile);
    EXPECT_NE(failureOf([&] { client.OpenURL(url("/sneaky")); }), 0);
}

TEST_F(Transfers, UnreachableHostFails)
{
    int port = 0;
    {
        LocalServer gone;
        port = gone.port();
    }
    const QString address = u"http://127.0.0.1:%1/v.txt"_s.arg(port);
    EXPECT_EQ(failureOf([&] { client.OpenURL(address); }), platform::err::CannotConnect);
}

TEST_F(Transfers, OnlyHttpAddressesAreFetched)
{
    writeFile(target, "secret");
    EXPECT_NE(failureOf([&] { client.OpenURL(u"file://"_s + target); }), 0);
}

TEST_F(Transfers, OversizedTextReplyIsRefused)
{
    server.file("/huge", std::string(2 << 20, '1'));
    EXPECT_EQ(failureOf([&] { client.OpenURL(url("/huge")); }), platform::err::ReplyRefused);
}

TEST_F(Transfers, CancelFromAnotherThreadEndsTheTransferAtOnce)
{
    server.route("/silent", broken(Ending::NoReply, 0));
    writeFile(target, "previous");
    platform::CurlHttpClient patient; // sixty seconds: only the cancel can end it soon
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        patient.cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { patient.download(url("/silent"), target, {}); }),
              platform::err::TransferCancelled);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(readFile(target), QByteArray("previous"));
    EXPECT_TRUE(strays().isEmpty());
    // Cancelled for good: a later transfer does not even start.
    EXPECT_EQ(failureOf([&] { patient.OpenURL(url("/silent")); }),
              platform::err::TransferCancelled);
}

TEST_F(Transfers, DownloadReplacesALongerFileWhole)
{
    writeFile(target, QByteArray(5000, 'o'));
    server.file("/update.exe", "MZ", "application/octet-stream");
    platform::DownloadOptions program;
    program.mode = 0755;
    EXPECT_EQ(client.download(url("/update.exe"), target, program), 2);
    EXPECT_EQ(readFile(target), QByteArray("MZ"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    EXPECT_TRUE(strays().isEmpty());
}

TEST_F(Transfers, FailedDownloadLeavesThePreviousFile)
{
    writeFile(target, "previous");
    server.route("/short", broken(Ending::Close, 10));
    EXPECT_EQ(failureOf([&] { client.download(url("/short"), target, {}); }),
              platform::err::TransferIncomplete);
    EXPECT_EQ(failureOf([&] { client.download(url("/missing"), target, {}); }),
              platform::err::HttpStatus);
    EXPECT_EQ(readFile(target), QByteArray("previous"));
    EXPECT_TRUE(strays().isEmpty());
}

TEST_F(Transfers, HtmlPageIsRefusedAsAFileWhenAsked)
{
    server.file("/page", "<html><body>Not here</body></html>", "text/html; charset=utf-8");
    platform::DownloadOptions file;
    file.refuseHtml = true;
    EXPECT_EQ(failureOf([&] { client.download(url("/page"), target, file); }),
              platform::err::ReplyRefused);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_GT(client.download(url("/page"), target, {}), 0);
}

TEST_F(Transfers, DownloadIntoAMissingFolderIsAFileError)
{
    server.file("/update.exe", "MZ");
    EXPECT_EQ(failureOf([&] {
                  client.download(url("/update.exe"), dir.filePath(u"no/update.exe"_s), {});
              }),
              platform::err::PathNotFound);
}

namespace {
long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}
} // namespace

TEST_F(Transfers, LargeInstallerIsStreamedToDisk)
{
    constexpr std::uint64_t size = 300ull * 1000 * 1000;
    Reply big;
    big.generated = size;
    server.route("/big", big);
    const long before = residentKilobytes();
    long peak = before;
    std::atomic<bool> running{true};
    std::thread sampler([&] {
        while (running) {
            peak = std::max(peak, residentKilobytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const qint64 received = client.download(url("/big"), target, {});
    running = false;
    sampler.join();
    EXPECT_EQ(received, static_cast<qint64>(size));
    EXPECT_EQ(QFileInfo(target).size(), static_cast<qint64>(size));
    // The body never sits in memory: growth stays far below its size.
    EXPECT_LT(peak - before, 64 * 1024) << "resident memory grew by " << (peak - before) << " kB";

    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::uint64_t offset = 0;
    std::uint64_t mismatches = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        for (const char byte : chunk)
            mismatches += static_cast<unsigned char>(byte) != LocalServer::pattern(offset++);
    }
    EXPECT_EQ(mismatches, 0u);
    file.close();
    QFile::remove(target);
}

namespace {

/// An HTTPS server on 127.0.0.1 with a certificate made for the test.
class SecureTransfers : public ::testing::Test {
protected:
    /// A client trusting the system's store and, when given, certificate.
    std::unique_ptr<platform::CurlHttpClient> trusting(const std::string* certificate)
    {
        platform::TransferSettings settings = impatient();
        if (certificate) {
            settings.extraCaFile = dir.filePath(u"ca-%1.pem"_s.arg(++m_files));
            std::ofstream(settings.extraCaFile.toStdString()) << *certificate;
        }
        return std::make_unique<platform::CurlHttpClient>(settings);
    }

    template <typename Call> static int failureOf(Call call)
    {
        try {
            call();
        } catch (const platform::Error& error) {
            return error.number();
        }
        return 0;
    }

    QTemporaryDir dir;
    TlsIdentity identity = TlsIdentity::make("IP:127.0.0.1");
    LocalServer server{identity};
    QString url = QString::fromStdString(server.base() + "/product/parlivox/update.exe");

private:
    int m_files = 0;
};

} // namespace

TEST_F(SecureTransfers, TrustedCertificateCarriesTextAndFiles)
{
    ASSERT_TRUE(url.startsWith(u"https://"_s));
    server.file("/v.txt", "1216");
    Reply installer;
    installer.generated = 3 << 20;
    server.route("/product/parlivox/update.exe", installer);
    const auto client = trusting(&identity.certificatePem);
    EXPECT_EQ(client->OpenURL(QString::fromStdString(server.base() + "/v.txt")), "1216");
    const QString target = dir.filePath(u"update.exe"_s);
    EXPECT_EQ(client->download(url, target, {}), 3 << 20);
    EXPECT_EQ(QFileInfo(target).size(), 3 << 20);
}

TEST_F(SecureTransfers, UntrustedOrMisnamedCertificateIsRefused)
{
    server.file("/product/parlivox/update.exe", "MZ");
    const TlsIdentity stranger = TlsIdentity::make("IP:127.0.0.1");
    const TlsIdentity misnamed = TlsIdentity::make("DNS:updates.invalid");
    LocalServer elsewhere(misnamed);
    elsewhere.file("/product/parlivox/update.exe", "MZ");
    const QString misnamedUrl =
        QString::fromStdString(elsewhere.base() + "/product/parlivox/update.exe");

    EXPECT_EQ(failureOf([&] { trusting(nullptr)->OpenURL(url); }),
              platform::err::CertificateRefused); // the system's store alone
    EXPECT_EQ(failureOf([&] { trusting(&stranger.certificatePem)->OpenURL(url); }),
              platform::err::CertificateRefused);
    EXPECT_EQ(failureOf([&] { trusting(&misnamed.certificatePem)->OpenURL(misnamedUrl); }),
              platform::err::CertificateRefused);
    // Nothing was asked of either server: the handshake failed first.
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(elsewhere.requests().empty());

    platform::TransferSettings missingFile = impatient();
    missingFile.extraCaFile = dir.filePath(u"missing.pem"_s);
    EXPECT_NE(failureOf([&] { platform::CurlHttpClient(missingFile).OpenURL(url); }), 0);
}

TEST_F(SecureTransfers, SecureAddressNeverFallsBackToPlainHttp)
{
    LocalServer plain;
    plain.file("/v.txt", "1216");
    Reply downgrade;
    downgrade.status = 301;
    downgrade.location = plain.base() + "/v.txt";
    server.route("/v.txt", downgrade);
    const auto client = trusting(&identity.certificatePem);
    EXPECT_NE(failureOf([&] { client->OpenURL(QString::fromStdString(server.base() + "/v.txt")); }),
              0);
    EXPECT_TRUE(plain.requests().empty());
}
