#include "platform/inet.h"

#include "platform/fileio.h"

#include <curl/curl.h>

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

/// libcurl's global state, set up once before the first transfer of the
/// process and torn down at its end.
void initialiseCurl()
{
    struct Global {
        Global() { curl_global_init(CURL_GLOBAL_DEFAULT); }
        ~Global() { curl_global_cleanup(); }
    };
    static Global global;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

/// One GET in progress: where its body goes and what went wrong on the way.
struct Transfer {
    CURL* easy = nullptr;
    std::function<bool(const char*, size_t)> sink;
    bool refuseHtml = false;
    /// An announced length above this fails the transfer at once; 0: none.
    qint64 maxBytes = 0;
    bool replyChecked = false;
    std::optional<Error> failure;
};

bool isHtml(CURL* easy)
{
    const char* type = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
    return type && QByteArrayView(type).trimmed().toByteArray().toLower().startsWith("text/html");
}

/// A reply counts only with a 2xx status (and, when asked, when it is no
/// HTML page): an error page is never taken for the content.
std::optional<Error> checkReply(CURL* easy, bool refuseHtml)
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return Error(err::HttpStatus,
                     QStringLiteral("The server answered with status %1").arg(status));
    if (refuseHtml && isHtml(easy))
        return Error(err::ReplyRefused,
                     QStringLiteral("The server sent a web page instead of the file"));
    return std::nullopt;
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (!transfer.replyChecked) {
        transfer.replyChecked = true;
        transfer.failure = checkReply(transfer.easy, transfer.refuseHtml);
    }
    if (transfer.failure)
        return 0;
    // Any count other than the one given makes libcurl stop the transfer.
    return transfer.sink(data, bytes) ? bytes : 0;
}

Error curlError(CURLcode code, const QString& url)
{
    const QString reason = QString::fromUtf8(curl_easy_strerror(code));
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return Error(err::TransferTimeout, QStringLiteral("Request timed out: ") + url);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return Error(err::CannotConnect, QStringLiteral("Cannot connect: ") + url + u' ' + reason);
    case CURLE_PEER_FAILED_VERIFICATION:
        return Error(err::CertificateRefused,
                     QStringLiteral("The server's certificate is not trusted: ") + url + u' ' +
                         reason);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return Error(err::TransferIncomplete,
                     QStringLiteral("The transfer broke off: ") + url + u' ' + reason);
    case CURLE_FILESIZE_EXCEEDED:
        return Error(err::ReplyRefused, QStringLiteral("The download is too large: ") + url);
    default:
        return Error(err::TransferFailed,
                     QStringLiteral("Transfer failed: ") + url + u' ' + reason);
    }
}

Error cancelledError()
{
    return Error(err::TransferCancelled, QStringLiteral("The transfer was cancelled"));
}

} // namespace

struct CurlHttpClient::Impl {
    TransferSettings settings;
    std::atomic<bool> cancelled{false};
    std::mutex activeLock;
    CURLM* active = nullptr; ///< the multi handle of the running transfer

    /// The system's certificates followed by the extra ones, read at the
    /// first transfer; empty without an extra file.
    QByteArray caBundle;

    EasyHandle makeEasy(const QString& url, Transfer& transfer);
    void trustExtraCertificates(CURL* easy);
    void perform(const QString& url, Transfer& transfer);
};

void CurlHttpClient::Impl::trustExtraCertificates(CURL* easy)
{
    if (settings.extraCaFile.isEmpty())
        return;
    if (caBundle.isEmpty()) {
        // Naming a file of our own would replace the system's store, not add
        // to it: the two are handed over together.
        const char* systemBundle = nullptr;
        curl_easy_getinfo(easy, CURLINFO_CAINFO, &systemBundle);
        QByteArray bundle;
        if (systemBundle && QFileInfo::exists(QString::fromLocal8Bit(systemBundle)))
            bundle = readWholeFile(QString::fromLocal8Bit(systemBundle)) + '\n';
        bundle += readWholeFile(settings.extraCaFile);
        caBundle = bundle;
    }
    curl_blob blob{caBundle.data(), static_cast<size_t>(caBundle.size()), CURL_BLOB_NOCOPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
}

EasyHandle CurlHttpClient::Impl::makeEasy(const QString& url, Transfer& transfer)
{
    EasyHandle easy(curl_easy_init());
    if (!easy)
        throw Error(err::TransferFailed, QStringLiteral("Cannot start a transfer"));
    CURL* e = easy.get();
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(e, CURLOPT_URL, address.constData()); // libcurl copies strings
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure address never falls back to plain HTTP, not even through a
    // redirect.
    const bool secure = url.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    trustExtraCertificates(e);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A cancelled transfer must not wait for a name lookup to finish.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(settings.connectTimeout.count() * 1000));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, settings.lowSpeedBytes);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings.lowSpeedTime.count()));
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 512L * 1024L);
    if (!settings.userAgent.isEmpty())
        curl_easy_setopt(e, CURLOPT_USERAGENT, settings.userAgent.toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
    if (transfer.maxBytes > 0)
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(transfer.maxBytes));
    transfer.easy = e;
    return easy;
}

void CurlHttpClient::Impl::perform(const QString& url, Transfer& transfer)
{
    initialiseCurl();
    if (cancelled)
        throw cancelledError();
    EasyHandle easy = makeEasy(url, transfer);
    MultiHandle multi(curl_multi_init());
    if (!multi)
        throw Error(err::TransferFailed, QStringLiteral("Cannot start a transfer"));
    curl_multi_add_handle(multi.get(), easy.get());
    {
        const std::lock_guard lock(activeLock);
        active = multi.get();
    }
    int running = 1;
    while (running > 0 && !cancelled) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    CURLcode result = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued))
        if (message->msg == CURLMSG_DONE)
            result = message->data.result;
    {
        const std::lock_guard lock(activeLock);
        active = nullptr;
    }
    curl_multi_remove_handle(multi.get(), easy.get());

    if (cancelled)
        throw cancelledError();
    if (transfer.failure)
        throw *transfer.failure;
    if (running > 0)
        throw Error(err::TransferFailed, QStringLiteral("Transfer failed: ") + url);
    if (result != CURLE_OK)
        throw curlError(result, url);
    // A reply without a body never reached the body callback.
    if (auto failure = checkReply(easy.get(), transfer.refuseHtml))
        throw *failure;
    curl_off_t announced = -1;
    curl_off_t received = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    curl_easy_getinfo(easy.get(), CURLINFO_SIZE_DOWNLOAD_T, &received);
    if (announced >= 0 && received < announced)
        throw curlError(CURLE_PARTIAL_FILE, url);
}

CurlHttpClient::CurlHttpClient(TransferSettings settings) : m_impl(std::make_unique<Impl>())
{
    m_impl->settings = std::move(settings);
}

CurlHttpClient::~CurlHttpClient() = default;

QByteArray CurlHttpClient::OpenURL(const QString& url)
{
    QByteArray body;
    Transfer transfer;
    const qint64 limit = m_impl->settings.maxTextBytes;
    transfer.sink = [&](const char* data, size_t size) {
        if (body.size() + static_cast<qint64>(size) > limit) {
            transfer.failure = Error(err::ReplyRefused, QStringLiteral("The reply is too large"));
            return false;
        }
        body.append(data, static_cast<qsizetype>(size));
        return true;
    };
    m_impl->perform(url, transfer);
    return body;
}

qint64 CurlHttpClient::download(const QString& url, const QString& path,
                                const DownloadOptions& options)
{
    AtomicFile file(path, static_cast<mode_t>(options.mode));
    // Opened before any byte is judged: what is approved is what it reads.
    Descriptor saved = options.saved ? file.openForReading() : Descriptor();
    Transfer transfer;
    transfer.refuseHtml = options.refuseHtml;
    transfer.maxBytes = options.maxBytes;
    transfer.sink = [&](const char* data, size_t size) {
        if (options.maxBytes > 0 && file.size() + qint64(size) > options.maxBytes) {
            transfer.failure =
                Error(err::ReplyRefused, QStringLiteral("The download is larger than ") +
                                             QString::number(options.maxBytes) +
                                             QStringLiteral(" bytes: ") + url);
            return false;
        }
        if (!file.write(data, size)) {
            transfer.failure = file.error();
            return false;
        }
        if (options.observe)
            options.observe(data, size);
        return true;
    };
    m_impl->perform(url, transfer);
    // A refused body goes with the temporary file; the target is untouched.
    if (options.approve)
        options.approve();
    file.commit();
    if (options.saved)
        *options.saved = std::move(saved);
    return file.size();
}

void CurlHttpClient::cancel()
{
    m_impl->cancelled = true;
    const std::lock_guard lock(m_impl->activeLock);
    if (m_impl->active)
        curl_multi_wakeup(m_impl->active);
}

} // namespace platform
