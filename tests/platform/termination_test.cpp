#include "platform/app.h"
#include "platform/termination.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

TEST(TerminationSignals, EachRequestToEndArrivesAsASignalInTheEventLoop)
{
    QList<int> received;
    {
        platform::TerminationSignals termination;
        QObject::connect(&termination, &platform::TerminationSignals::received, &termination,
                         [&](int number) { received.append(number); });
        for (int number : {SIGTERM, SIGHUP, SIGINT})
            ASSERT_EQ(std::raise(number), 0) << "the process survives: the handler only writes";
        const QDeadlineTimer deadline(5000);
        while (received.size() < 3 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_EQ(received, (QList<int>{SIGTERM, SIGHUP, SIGINT}));

    // Afterwards the previous handlers are back: here, ignoring SIGHUP.
    std::signal(SIGHUP, SIG_IGN);
    {
        platform::TerminationSignals again;
    }
    EXPECT_EQ(std::signal(SIGHUP, SIG_DFL), SIG_IGN);
}

TEST(StateHome, FollowsXdgStateHomeWhenAbsolute)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/tmp/state/");
    EXPECT_EQ(platform::stateHome(), u"/tmp/state"_s);
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(platform::stateHome(), QDir::homePath() + u"/.local/state"_s);
    qputenv("XDG_STATE_HOME", saved);
}
