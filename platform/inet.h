#pragma once

#include "platform/error.h"
#include "platform/fileio.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

/// How patient a transfer is. A whole-transfer cap would cut off a large
/// download on a slow line, so a transfer only fails when the connection
/// cannot be made in time or the data stops flowing for too long.
struct TransferSettings {
    std::chrono::seconds connectTimeout{60};
    /// Fewer than lowSpeedBytes per second for lowSpeedTime fails the transfer
    /// (also while waiting for the reply's first byte).
    long lowSpeedBytes = 1;
    std::chrono::seconds lowSpeedTime{60};
    QString userAgent;
    /// OpenURL keeps a reply in memory: one larger than this is refused.
    qint64 maxTextBytes = 1 << 20;
    /// Certificates trusted for https:// besides the system's store (a PEM
    /// file); empty for the system's store alone.
    QString extraCaFile;
};

struct DownloadOptions {
    /// Permission bits of the file written (0755 for a program).
    std::uint32_t mode = 0644;
    /// An HTML reply (Content-Type text/html) is an error page, not the file.
    bool refuseHtml = false;
    /// Sees every byte of the body as it arrives, in order (must not throw).
    std::function<void(const char*, std::size_t)> observe;
    /// Judges the whole body before it replaces path; raising Error refuses
    /// it, and path is then left as it was.
    std::function<void()> approve;
    /// A body longer than this (announced or received) is refused; 0: no limit.
    qint64 maxBytes = 0;
    /// When set, receives a descriptor of the file saved, open for reading
    /// and opened while the body was written: the very bytes saved, whatever
    /// happens to path afterwards.
    Descriptor* saved = nullptr;
};

/// HTTP and HTTPS GET transfers, one at a time. An https:// address is only
/// ever followed to https:// addresses, and its server must show a
/// certificate for its name that the system's store (or extraCaFile) trusts.
/// Every failure raises Error with a number of err:: above (or a file error
/// while writing): unreachable host, an untrusted certificate, time-out, a
/// status that is not 2xx, a body shorter than its Content-Length, a reset
/// connection, cancellation.
class HttpClient {
public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;
    virtual ~HttpClient() = default;

    /// The whole body of url, once the transfer has ended.
    virtual QByteArray OpenURL(const QString& url) = 0;
    /// Streams the body of url into a temporary file beside path and renames
    /// it over path once complete; returns the number of bytes written. After
    /// a failure path is as it was before.
    virtual qint64 download(const QString& url, const QString& path,
                            const DownloadOptions& options) = 0;
    /// Safe from any thread: the running transfer and every later one fail
    /// with err::TransferCancelled.
    virtual void cancel() = 0;
};

/// libcurl's easy interface driven by a multi handle, so that cancel() wakes
/// a transfer at once instead of at its next progress tick.
class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(TransferSettings settings = {});
    ~CurlHttpClient() override;

    QByteArray OpenURL(const QString& url) override;
    qint64 download(const QString& url, const QString& path,
                    const DownloadOptions& options) override;
    void cancel() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
