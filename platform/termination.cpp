#include "platform/termination.h"

#include "platform/error.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::array<int, 3> handled = {SIGTERM, SIGHUP, SIGINT};

/// The socket pair: the handler writes into [0], the event loop reads [1].
int pipeEnds[2] = {-1, -1};
struct sigaction previous[handled.size()];

extern "C" void onTerminationSignal(int signalNumber)
{
    // Only what is safe in a signal handler: one write, errno left as it was.
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(pipeEnds[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (pipeEnds[0] >= 0)
        throw invalidCall(QStringLiteral("termination signals are already watched"));
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
        throw Error(err::PathFileAccess, QStringLiteral("Cannot watch termination signals"));
    m_notifier = std::make_unique<QSocketNotifier>(pipeEnds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPending);

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handled.size(); ++i)
        ::sigaction(handled[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < handled.size(); ++i)
        ::sigaction(handled[i], &previous[i], nullptr);
    m_notifier.reset(); // before the socket it watches closes
    for (int& end : pipeEnds) {
        ::close(end);
        end = -1;
    }
}

void TerminationSignals::readPending()
{
    unsigned char numbers[16];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[1], numbers, sizeof numbers);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i)
            emit received(numbers[i]);
    }
}

} // namespace platform
