// Start until settled: a program is started with a large document on the X
// display it is given and timed until its CPU use settles (no more than 2%
// over a second), as a person sees it ready. This build's Parlivox, another
// build's (PARLIVOX_BASELINE names its build folder, e.g. main's) and
// featherpad, a plain-text editor, are measured on the same files in the
// same run; the median of the runs is printed.
//
//   bench_open [--runs N]      (needs DISPLAY: scripts/bench runs it under xvfb-run)
#include "largedocs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include "benchtable.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double settledMs = 0;
    double cpuMs = 0;
    double peakMb = 0;
    bool ok = false;
};

/// The process's CPU time so far in clock ticks (all its threads), or -1.
long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    // After the name: state, then fields 4.. ; utime and stime are 14 and 15.
    std::vector<std::string> fields;
    std::string field;
    for (char c : text.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    return fields.size() > 12 ? std::stol(fields[11]) + std::stol(fields[12]) : -1;
}

double peakMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

Sample measure(const std::string& program, const std::string& file)
{
    const QTemporaryDir home; // no settings, sessions or snapshots of earlier runs
    const std::string root = home.path().toStdString();
    const char* const places[] = {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME",
                                  "XDG_DATA_HOME"};
    for (const char* name : places)
        std::filesystem::create_directories(root + "/" + name);
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const char* name : places)
            setenv(name, (root + "/" + name).c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(program.c_str(), program.c_str(), file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    struct Point {
        double ms;
        long ticks;
    };
    std::vector<Point> points;
    const long perSecond = sysconf(_SC_CLK_TCK);
    Sample sample;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const long ticks = cpuTicks(pid);
        if (ticks < 0 || ms > 60000)
            break; // ended or never settled
        points.push_back({ms, ticks});
        sample.peakMb = std::max(sample.peakMb, peakMegabytes(pid));
        const auto window = std::find_if(points.begin(), points.end(),
                                         [ms](const Point& p) { return p.ms >= ms - 1000; });
        if (window->ms > ms - 990 || ticks - window->ticks > perSecond / 50)
            continue;
        // Settled: it was busy until it first reached the quiet second's level.
        const auto busy = std::find_if(points.begin(), points.end(),
                                       [&](const Point& p) { return p.ticks >= window->ticks; });
        sample = {busy->ms, 1000.0 * double(window->ticks) / double(perSecond), sample.peakMb,
                  true};
        break;
    }
    stop(pid);
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : (values[values.size() / 2] + values[(values.size() - 1) / 2]) / 2;
}

struct Program {
    std::string name, path;
    bool rtf;
};

/// The peer first: its 10 MB figure is the goal of this build's.
std::vector<Program> programsToRun()
{
    std::vector<Program> programs;
    if (QFileInfo::exists(QStringLiteral("/usr/bin/featherpad")))
        programs.push_back({"featherpad", "/usr/bin/featherpad", false});
    if (const char* baseline = std::getenv("PARLIVOX_BASELINE");
        baseline && QFileInfo::exists(QString::fromLocal8Bit(baseline) + u"/app/Parlivox"))
        programs.push_back({"Parlivox baseline", std::string(baseline) + "/app/Parlivox", true});
    programs.push_back({"Parlivox", PARLIVOX_APP_DIR "/Parlivox", true});
    return programs;
}

struct File {
    const char* name;
    QString path;
    bool rtf;
    bool large;
};

/// samples[file][program], one a run.
using Samples = std::vector<std::vector<std::vector<Sample>>>;

Samples measureAll(const std::vector<File>& files, const std::vector<Program>& programs, int runs)
{
    // Runs alternate between the programs, so that a change in the machine's
    // load falls on all of them.
    Samples samples(files.size(), std::vector<std::vector<Sample>>(programs.size()));
    for (int run = 0; run < runs; ++run) {
        for (std::size_t f = 0; f < files.size(); ++f) {
            for (std::size_t p = 0; p < programs.size(); ++p) {
                if (!files[f].rtf || programs[p].rtf)
                    samples[f][p].push_back(measure(programs[p].path, files[f].path.toStdString()));
            }
        }
    }
    return samples;
}

std::vector<bench::Row> tabulate(const std::vector<File>& files,
                                 const std::vector<Program>& programs, const Samples& samples)
{
    std::vector<bench::Row> table;
    double peer = 0;     // featherpad on the 10 MB text
    double baseline = 0; // the other build on the same file
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            if (samples[f][p].empty())
                continue;
            std::vector<double> settled, cpu, peak;
            for (const Sample& sample : samples[f][p]) {
                settled.push_back(sample.settledMs);
                cpu.push_back(sample.cpuMs);
                peak.push_back(sample.peakMb);
            }
            const Program& program = programs[p];
            if (program.name == "featherpad" && files[f].large)
                peer = median(settled);
            if (program.name == "Parlivox baseline")
                baseline = median(settled);
            std::string goal;
            if (program.name == "Parlivox" && files[f].large && peer > 0)
                goal = "<= " + std::to_string(int(peer));
            else if (program.name == "Parlivox" && !files[f].large && baseline > 0)
                goal = "<= " + std::to_string(int(baseline));
            const std::string name = std::string(files[f].name) + ", " + program.name;
            table.push_back({name + ": start until settled", median(settled), "ms", goal});
            table.push_back({name + ": CPU until settled", median(cpu), "ms", ""});
            table.push_back({name + ": peak memory", median(peak), "MB", ""});
        }
    }
    return table;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_open needs an X display (scripts/bench gives it one)\n");
        return 1;
    }
    const QTemporaryDir dir;
    bench::LargeDocuments docs;
    if (!bench::writeLargeDocuments(dir.path(), QStringLiteral(PARLIVOX_BENCH_RTF), docs)) {
        std::fprintf(stderr, "cannot write the documents\n");
        return 1;
    }
    const std::vector<File> files{{"10 MB text", docs.text10, false, true},
                                  {"10 MB RTF", docs.rtf10, true, true},
                                  {"2 MB text", docs.text2, false, false},
                                  {"2 MB RTF", docs.rtf2, true, false}};
    const std::vector<Program> programs = programsToRun();
    const Samples samples = measureAll(files, programs, runs);
    bench::printTable("open", tabulate(files, programs, samples));
    for (const auto& file : samples) {
        for (const auto& program : file) {
            for (const Sample& sample : program) {
                if (!sample.ok)
                    return 1; // a program that ended or never settled
            }
        }
    }
    return 0;
}
