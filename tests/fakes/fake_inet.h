#pragma once

#include "platform/error.h"
#include "platform/inet.h"

#include <QFile>
#include <QMap>
#include <QStringList>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <vector>

/// A transfer component answering from a script, address by address. An
/// address without a script answers like a server's 404. A reply marked
/// `hold` waits (on the worker thread) until release() or cancel(), so a
/// test can look at a page in the middle of its transfer.
class FakeHttpClient final : public platform::HttpClient {
public:
    struct Reply {
        QByteArray body;
        std::optional<platform::Error> failure;
        bool hold = false;
        bool outOfMemory = false; ///< the transfer runs out of memory
    };

    QByteArray OpenURL(const QString& url) override { return answer(url); }

    qint64 download(const QString& url, const QString& path,
                    const platform::DownloadOptions& options) override
    {
        const QByteArray body = answer(url);
        if (options.maxBytes > 0 && body.size() > options.maxBytes)
            throw platform::Error(platform::err::ReplyRefused, QStringLiteral("Too large"));
        if (options.observe)
            options.observe(body.constData(), std::size_t(body.size()));
        if (options.approve)
            options.approve();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(body) != body.size())
            throw platform::Error(platform::err::PathFileAccess,
                                  QStringLiteral("Cannot write ") + path);
        file.close();
        ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(options.mode));
        if (options.saved)
            *options.saved = platform::Descriptor(
                ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
        const std::lock_guard lock(m_lock);
        downloadOptions.push_back(options);
        return body.size();
    }

    void cancel() override
    {
        const std::lock_guard lock(m_lock);
        cancelled = true;
        m_changed.notify_all();
    }

    /// Lets held replies go on.
    void release()
    {
        const std::lock_guard lock(m_lock);
        m_released = true;
        m_changed.notify_all();
    }

    /// A held reply is waiting for release() now.
    bool holding() const
    {
        const std::lock_guard lock(m_lock);
        return m_holding > 0;
    }

    QStringList requested() const
    {
        const std::lock_guard lock(m_lock);
        return m_requested;
    }

    QMap<QString, Reply> replies;
    std::vector<platform::DownloadOptions> downloadOptions;
    bool cancelled = false;

private:
    QByteArray answer(const QString& url)
    {
        std::unique_lock lock(m_lock);
        m_requested.append(url);
        const Reply reply = replies.value(
            url,
            Reply{{}, platform::Error(platform::err::HttpStatus, QStringLiteral("404")), false});
        if (reply.hold) {
            ++m_holding;
            m_changed.wait(lock, [&] { return m_released || cancelled; });
            --m_holding;
        }
        if (cancelled)
            throw platform::Error(platform::err::TransferCancelled, QStringLiteral("cancelled"));
        if (reply.failure)
            throw *reply.failure;
        if (reply.outOfMemory)
            throw std::bad_alloc();
        return reply.body;
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    QStringList m_requested;
    bool m_released = false;
    int m_holding = 0;
};
