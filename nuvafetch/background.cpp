#include "nuvafetch/background.h"

#include "platform/ui/waitcursor.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <exception>
#include <thread>

void runInBackground(const std::function<void()>& job)
{
    const platform::WaitCursor cursor;
    QEventLoop loop;
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        // Queued, so the quit is delivered on the loop's own thread even when
        // the job ends before the loop has started.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (!done)
        loop.exec();
    // The loop also ends when the application quits; the job must still
    // finish (a cancelled transfer does so at once) before its data goes.
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
