// Time from process start to the main window's first paint, with its
// breakdown. The driver starts itself as a child ten times and prints the
// median of each stage.
//
//   bench_startup [--platform offscreen|xcb] [--runs N]
#include "parlivox/common/logic/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/qtservices.h"
#include "platform/app.h"

#include <QApplication>
#include <QFontDatabase>
#include <QTimer>

#include "benchtable.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

/// Stops at the first paint of any widget of the watched window.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget& window) : m_window(window) {}
    long long paintedAt = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == &m_window) {
                // Let this paint finish, then stop.
                QTimer::singleShot(0, qApp, [this] {
                    paintedAt = nowNs();
                    QApplication::quit();
                });
            }
        }
        return false;
    }

private:
    QWidget& m_window;
};

int child(int argc, char** argv)
{
    const long long t0 = nowNs();
    QApplication app(argc, argv);
    const long long tApp = nowNs();
    QFontDatabase::families();
    const long long tFonts = nowNs();
    QtEditorServices services;
    AppState state(services.services().speech);
    frmMain window(services.services(), state, QString());
    const long long tWindow = nowNs();
    window.Form_Load();
    const long long tLoad = nowNs();
    FirstPaint probe(window);
    app.installEventFilter(&probe);
    window.show();
    QApplication::exec();
    std::printf("%lld %lld %lld %lld %lld %lld\n", t0, tApp, tFonts, tWindow, tLoad,
                probe.paintedAt);
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    std::string platformName = "offscreen";
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--platform") == 0)
            platformName = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
    }
    setenv("QT_QPA_PLATFORM", platformName.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char configDir[] = "/tmp/parlivox-bench-XXXXXX";
    if (mkdtemp(configDir))
        setenv("XDG_CONFIG_HOME", configDir, 1);

    const char* stages[] = {"process start to main", "application object", "font enumeration",
                            "window construction",   "load sequence",      "show to first paint",
                            "total to first paint"};
    std::map<std::string, std::vector<double>> ms;
    for (int run = 0; run < runs; ++run) {
        int out[2];
        if (pipe(out) != 0)
            return 1;
        const long long spawned = nowNs();
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl("/proc/self/exe", argv[0], "--child", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char buffer[512] = {};
        const ssize_t n = read(out[0], buffer, sizeof buffer - 1);
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        std::array<long long, 6> t{};
        if (n <= 0 || std::sscanf(buffer, "%lld %lld %lld %lld %lld %lld", &t[0], &t[1], &t[2],
                                  &t[3], &t[4], &t[5]) != 6) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        const auto d = [](long long a, long long b) {
            return (b - a) / 1e6;
        };
        ms[stages[0]].push_back(d(spawned, t[0]));
        ms[stages[1]].push_back(d(t[0], t[1]));
        ms[stages[2]].push_back(d(t[1], t[2]));
        ms[stages[3]].push_back(d(t[2], t[3]));
        ms[stages[4]].push_back(d(t[3], t[4]));
        ms[stages[5]].push_back(d(t[4], t[5]));
        ms[stages[6]].push_back(d(spawned, t[5]));
    }
    std::vector<bench::Row> table;
    for (const char* stage : stages) {
        const bool total = std::strcmp(stage, "total to first paint") == 0;
        table.push_back(
            {stage, median(ms[stage]), "ms", total && platformName == "offscreen" ? "< 80" : ""});
    }
    bench::printTable("startup/" + platformName, table);
    return 0;
}
