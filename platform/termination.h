#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace platform {

/// Turns the requests to end the program (SIGTERM, SIGHUP, SIGINT) into a Qt
/// signal on the thread that made this object. The signal handlers do
/// nothing but write the signal's number into a socket pair; its reading end
/// wakes the event loop. One object at a time; the destructor restores the
/// handlers that were there before.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    /// A request to end arrived; signalNumber is SIGTERM, SIGHUP or SIGINT.
    void received(int signalNumber);

private:
    void readPending();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace platform
