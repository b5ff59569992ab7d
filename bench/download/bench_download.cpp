// Downloads a large installer from a server on 127.0.0.1 three ways and
// compares them: the updater's own download page (offscreen, its transfer on
// a worker thread), the transfer component alone, and `curl -o`. Every
// download runs in a child process so that its peak resident memory can be
// read from the kernel; the figures are medians of the runs.
//
//   bench_download [--megabytes N] [--runs N]
#include "localserver.h"

#include "benchtable.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "nuvafetch/wizardstate.h"
#include "platform/inet.h"
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

/// Child: the download page, as the updater shows it, downloads the installer.
int childPage(char* self, const QString& base, const QString& dir)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char* argv[] = {self, nullptr};
    QApplication app(argc, argv);
    platform::QtMessageBox messageBox;
    platform::QtProcessStarter processes;
    platform::CurlHttpClient inet;
    UpdaterServices services{messageBox, processes, inet, dir, base};
    WizardState state;
    state.productName = u"Parlivox"_s;
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
        inet.download(url, path, {.mode = 0755, .refuseHtml = true});
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

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--child-page") == 0)
        return childPage(argv[0], QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
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

    LocalServer server;
    LocalServer::Reply installer;
    installer.generated = bytes;
    server.route("/product/parlivox/update.exe", installer);
    // A second server offers the same installer at a tenth of the size.
    LocalServer smallServer;
    LocalServer::Reply small = installer;
    small.generated = smallBytes;
    smallServer.route("/product/parlivox/update.exe", small);

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

    for (int i = 0; i < runs; ++i) {
        measure("updater", {self, "--child-page", server.base(), folder}, bytes);
        measure("component", {self, "--child-component", url, saved}, bytes);
        measure("curl", {"curl", "-s", "-o", saved, "-w", "%{time_total}", url}, bytes);
    }
    // The same page with a tenth of the installer: memory must not follow size.
    measure("updater-small", {self, "--child-page", smallServer.base(), folder}, smallBytes);

    const auto throughput = [&](const std::string& name) {
        return static_cast<double>(bytes) / 1e6 / median(seconds[name]);
    };
    const std::string size = std::to_string(megabytes) + "MB";
    const std::string smallSize = std::to_string(megabytes / 10) + "MB";
    std::vector<bench::Row> table = {
        {"updater/" + size + "/throughput", throughput("updater"), "MB/s", ""},
        {"component/" + size + "/throughput", throughput("component"), "MB/s", ""},
        {"curl/" + size + "/throughput", throughput("curl"), "MB/s", ""},
        {"updater-vs-curl", throughput("updater") / throughput("curl"), "x", ">= 0.8"},
        {"updater/" + size + "/peak-rss", median(peaks["updater"]), "MB", "< 60"},
        {"updater/" + smallSize + "/peak-rss", median(peaks["updater-small"]), "MB", "< 60"},
        {"component/" + size + "/peak-rss", median(peaks["component"]), "MB", ""},
        {"curl/" + size + "/peak-rss", median(peaks["curl"]), "MB", ""},
    };
    bench::printTable("download", table);
    return 0;
}
