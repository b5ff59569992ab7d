// Downloads a large installer from a server on 127.0.0.1 four ways and
// compares them: the updater's own download page (offscreen, its transfer on
// a worker thread) with the installer signed and verified as it streams, the
// same page without a signature, the transfer component alone, and `curl -o`.
// Every download runs in a child process so that its peak resident memory can
// be read from the kernel; the figures are medians of the runs. The cost of
// the signature check alone is measured in memory.
//
//   bench_download [--megabytes N] [--runs N]
#include "localserver.h"

#include "benchtable.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/inet.h"
#include "platform/signature.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/process.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double nowSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

/// Child: the download page, as the updater shows it, downloads the
/// installer; with a public key (base64) it checks the signature too.
int childPage(char* self, const QString& base, const QString& dir, const QByteArray& publicKey)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char* argv[] = {self, nullptr};
    QApplication app(argc, argv);
    platform::QtMessageBox messageBox;
    platform::QtProcessStarter processes;
    platform::CurlHttpClient inet;
    UpdaterServices services{messageBox, processes, inet, dir, dir + u"/cache"_s, base};
    WizardState state;
    state.productName = u"Parlivox"_s;
    state.publicKey = QByteArray::fromBase64(publicKey);
    Wizard wizard(services, state);
    const double started = nowSeconds();
    wizard.moveTo(PageId::Update);
    const double seconds = nowSeconds() - started;
    std::printf("%.6f %d\n", seconds, state.updateReady ? 1 : 0);
    return state.updateReady ? 0 : 1;
}

/// Child: the transfer component alone, without any window.
int childComponent(const QString& url, const QString& path)
{
    platform::CurlHttpClient inet;
    const double started = nowSeconds();
    try {
        platform::DownloadOptions program;
        program.mode = 0755;
        program.refuseHtml = true;
        inet.download(url, path, program);
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::printf("%.6f 1\n", nowSeconds() - started);
    return 0;
}

struct Outcome {
    double seconds = 0; ///< the transfer's own time, as the child measured it
    double peakMegabytes = 0;
    bool ok = false;
};

/// Runs argv as a child; its first output line starts with the transfer time.
Outcome run(const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Outcome outcome;
    outcome.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.seconds = std::atof(output.c_str());
    outcome.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return outcome;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

/// Feeds `bytes` of the server's generated body to consume in 512 KiB pieces,
/// the size the transfer hands over.
template <typename Consumer> void feedPattern(std::uint64_t bytes, Consumer&& consume)
{
    std::string block(251 * 2048, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(LocalServer::pattern(i));
    for (std::uint64_t done = 0; done < bytes;) {
        const std::uint64_t piece = std::min<std::uint64_t>(block.size(), bytes - done);
        consume(block.data(), static_cast<std::size_t>(piece));
        done += piece;
    }
}

/// The base64 signature of the generated body of `bytes`.
std::string signPattern(const QByteArray& secretKey, std::uint64_t bytes)
{
    platform::Signer signer(secretKey);
    feedPattern(bytes, [&](const char* data, std::size_t size) { signer.update(data, size); });
    return signer.signature().toBase64().toStdString();
}

/// Seconds the signature check alone takes over the generated body of `bytes`.
double verificationSeconds(const platform::KeyPair& keys, std::uint64_t bytes)
{
    const QByteArray signature =
        QByteArray::fromBase64(QByteArray::fromStdString(signPattern(keys.secretKey, bytes)));
    const double started = nowSeconds();
    platform::SignatureVerifier verifier(keys.publicKey);
    feedPattern(bytes, [&](const char* data, std::size_t size) { verifier.update(data, size); });
    if (!verifier.verify(signature))
        std::exit(1);
    return nowSeconds() - started;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child-page") == 0)
        return childPage(argv[0], QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QByteArray(argv[4]));
    if (argc == 4 && std::strcmp(argv[1], "--child-component") == 0)
        return childComponent(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    // A child must never become a driver of its own.
    if (argc > 1 && std::strncmp(argv[1], "--child", 7) == 0)
        return 2;

    std::uint64_t megabytes = 300;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::uint64_t bytes = megabytes * 1000 * 1000;
    const std::uint64_t smallBytes = bytes / 10;

    const platform::KeyPair keys = platform::generateKeyPair();
    const std::string publicKey = keys.publicKey.toBase64().toStdString();
    LocalServer server;
    LocalServer::Reply installer;
    installer.generated = bytes;
    server.route("/product/parlivox/update.exe", installer);
    server.file("/product/parlivox/update.exe.sig", signPattern(keys.secretKey, bytes));
    // A second server offers the same installer at a tenth of the size.
    LocalServer smallServer;
    LocalServer::Reply small = installer;
    small.generated = smallBytes;
    smallServer.route("/product/parlivox/update.exe", small);
    smallServer.file("/product/parlivox/update.exe.sig", signPattern(keys.secretKey, smallBytes));

    QTemporaryDir dir;
    const std::string folder = QDir::toNativeSeparators(dir.path()).toStdString();
    const std::string url = server.base() + "/product/parlivox/update.exe";
    const std::string self = "/proc/self/exe";
    const std::string saved = folder + "/update.exe";

    std::map<std::string, std::vector<double>> seconds;
    std::map<std::string, std::vector<double>> peaks;
    const auto measure = [&](const std::string& name, const std::vector<std::string>& args,
                             std::uint64_t expected) {
        const Outcome outcome = run(args);
        const auto size =
            static_cast<std::uint64_t>(QFileInfo(QString::fromStdString(saved)).size());
        if (!outcome.ok || size != expected) {
            std::fprintf(stderr, "%s: download failed (%llu of %llu bytes)\n", name.c_str(),
                         static_cast<unsigned long long>(size),
                         static_cast<unsigned long long>(expected));
            std::exit(1);
        }
        seconds[name].push_back(outcome.seconds);
        peaks[name].push_back(outcome.peakMegabytes);
        std::remove(saved.c_str());
    };

    std::vector<double> verifying;
    for (int i = 0; i < runs; ++i) {
        measure("signed", {self, "--child-page", server.base(), folder, publicKey}, bytes);
        measure("updater", {self, "--child-page", server.base(), folder, ""}, bytes);
        measure("component", {self, "--child-component", url, saved}, bytes);
        measure("curl", {"curl", "-s", "-o", saved, "-w", "%{time_total}", url}, bytes);
        // The same signed page with a tenth of the installer: memory must not
        // follow size.
        measure("signed-small", {self, "--child-page", smallServer.base(), folder, publicKey},
                smallBytes);
        verifying.push_back(verificationSeconds(keys, bytes));
    }

    const auto throughput = [&](const std::string& name) {
        return static_cast<double>(bytes) / 1e6 / median(seconds[name]);
    };
    const std::string size = std::to_string(megabytes) + "MB";
    const std::string smallSize = std::to_string(megabytes / 10) + "MB";
    const double verifySeconds = median(verifying);
    std::vector<bench::Row> table = {
        {"signed/" + size + "/throughput", throughput("signed"), "MB/s", ""},
        {"updater/" + size + "/throughput", throughput("updater"), "MB/s", ""},
        {"component/" + size + "/throughput", throughput("component"), "MB/s", ""},
        {"curl/" + size + "/throughput", throughput("curl"), "MB/s", ""},
        {"signed-vs-curl", throughput("signed") / throughput("curl"), "x", ">= 0.8"},
        {"updater-vs-curl", throughput("updater") / throughput("curl"), "x", ">= 0.8"},
        {"signed/" + size + "/peak-rss", median(peaks["signed"]), "MB", "< 60"},
        {"signed/" + smallSize + "/peak-rss", median(peaks["signed-small"]), "MB", "< 60"},
        {"signed/peak-rss-growth-" + smallSize + "-to-" + size,
         median(peaks["signed"]) - median(peaks["signed-small"]), "MB", "< 5"},
        {"updater/" + size + "/peak-rss", median(peaks["updater"]), "MB", "< 60"},
        {"component/" + size + "/peak-rss", median(peaks["component"]), "MB", ""},
        {"curl/" + size + "/peak-rss", median(peaks["curl"]), "MB", ""},
        {"verify-only/" + size + "/time", verifySeconds * 1000, "ms", ""},
        {"verify-only/" + size + "/throughput", static_cast<double>(bytes) / 1e6 / verifySeconds,
         "MB/s", ""},
    };
    bench::printTable("download", table);
    return 0;
}
