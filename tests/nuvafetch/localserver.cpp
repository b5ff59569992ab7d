#include "localserver.h"

#include "tlsidentity.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

namespace {

/// A whole number of pattern periods, so that consecutive copies continue it.
const std::string& patternBlock()
{
    static const std::string block = [] {
        std::string b(251 * 4096, '\0');
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<char>(LocalServer::pattern(i));
        return b;
    }();
    return block;
}

bool sendAll(int socket, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

const char* reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

/// The server's certificate and key, ready for every connection.
struct LocalServer::TlsContext {
    explicit TlsContext(const TlsIdentity& identity) : ctx(SSL_CTX_new(TLS_server_method()))
    {
        BIO* certificate = BIO_new_mem_buf(identity.certificatePem.data(),
                                           static_cast<int>(identity.certificatePem.size()));
        BIO* key =
            BIO_new_mem_buf(identity.keyPem.data(), static_cast<int>(identity.keyPem.size()));
        X509* x509 = PEM_read_bio_X509(certificate, nullptr, nullptr, nullptr);
        EVP_PKEY* pkey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
        const bool ok = ctx && x509 && pkey && SSL_CTX_use_certificate(ctx, x509) == 1 &&
                        SSL_CTX_use_PrivateKey(ctx, pkey) == 1;
        X509_free(x509);
        EVP_PKEY_free(pkey);
        BIO_free(certificate);
        BIO_free(key);
        if (!ok)
            throw std::runtime_error("local server: unusable TLS identity");
    }
    ~TlsContext() { SSL_CTX_free(ctx); }
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;
    SSL_CTX* ctx;
};

/// One accepted connection, plain or TLS, closed when it goes.
class LocalServer::Channel {
public:
    Channel(int socket, TlsContext* tls) : m_socket(socket)
    {
        if (!tls)
            return;
        // A client that never finishes the handshake must not hold the
        // server's shut-down.
        const timeval patience{5, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        m_ssl = SSL_new(tls->ctx);
        SSL_set_fd(m_ssl, socket);
        m_ready = SSL_accept(m_ssl) == 1;
        if (!m_ready)
            ERR_clear_error();
    }
    ~Channel()
    {
        if (m_ssl)
            SSL_free(m_ssl);
        ::close(m_socket);
    }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    bool ready() const { return m_ready; }
    bool sendAll(const char* data, std::size_t size)
    {
        if (!m_ssl)
            return ::sendAll(m_socket, data, size);
        while (size > 0) {
            const int sent =
                SSL_write(m_ssl, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
            if (sent <= 0)
                return false;
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }
    /// Data can be read now (or the peer has gone), waiting up to ms.
    bool readable(int ms)
    {
        if (m_ssl && SSL_pending(m_ssl) > 0)
            return true;
        pollfd waiting{m_socket, POLLIN, 0};
        return ::poll(&waiting, 1, ms) > 0;
    }
    ssize_t receive(char* buffer, std::size_t size)
    {
        if (!m_ssl)
            return ::recv(m_socket, buffer, size, 0);
        return SSL_read(m_ssl, buffer, static_cast<int>(size));
    }
    /// Ends the reply cleanly: the client sees the end of the body.
    void finish()
    {
        if (m_ssl)
            SSL_shutdown(m_ssl);
        ::shutdown(m_socket, SHUT_WR);
    }
    /// Closing with a zero linger time sends RST instead of FIN.
    void reset()
    {
        const linger abort{1, 0};
        ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }

private:
    int m_socket;
    SSL* m_ssl = nullptr;
    bool m_ready = true;
};

LocalServer::LocalServer()
{
    listenOnLoopback();
}

LocalServer::LocalServer(const TlsIdentity& identity)
    : m_tls(std::make_unique<TlsContext>(identity))
{
    // A client that leaves mid-reply must not end the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    listenOnLoopback();
}

void LocalServer::listenOnLoopback()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0)
        throw std::runtime_error("local server: cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread(&LocalServer::acceptLoop, this);
}

LocalServer::~LocalServer()
{
    m_stopping = true;
    m_acceptor.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_listener);
}

void LocalServer::route(const std::string& path, Reply reply)
{
    const std::lock_guard lock(m_lock);
    m_routes[path] = std::move(reply);
}

void LocalServer::file(const std::string& path, std::string body, std::string type)
{
    Reply reply;
    reply.body = std::move(body);
    reply.contentType = std::move(type);
    route(path, std::move(reply));
}

std::string LocalServer::base() const
{
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port);
}

std::vector<std::string> LocalServer::requests() const
{
    const std::lock_guard lock(m_lock);
    return m_requests;
}

void LocalServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        // Head and body go out in separate writes: without this the body
        // waits for the client's delayed acknowledgement.
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const std::lock_guard lock(m_lock);
        m_connections.emplace_back(&LocalServer::serve, this, client);
    }
}

void LocalServer::serve(int client)
{
    Channel channel(client, m_tls.get());
    if (!channel.ready())
        return;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        if (m_stopping)
            return;
        if (!channel.readable(50))
            continue;
        const ssize_t got = channel.receive(buffer, sizeof buffer);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    // "GET /path HTTP/1.1"
    const auto first = request.find(' ');
    const auto second = request.find(' ', first + 1);
    const std::string path = request.substr(first + 1, second - first - 1);

    Reply reply;
    {
        const std::lock_guard lock(m_lock);
        m_requests.push_back(path);
        const auto found = m_routes.find(path);
        if (found != m_routes.end()) {
            reply = found->second;
        } else {
            reply.status = 404;
            reply.contentType = "text/html";
            reply.body = "<html><body><h1>404 Not Found</h1></body></html>";
        }
    }
    sendReply(channel, reply);
}

void LocalServer::sendReply(Channel& channel, const Reply& reply)
{
    if (reply.ending == Ending::NoReply) {
        waitWhileOpen(channel);
        return;
    }
    const std::uint64_t length = reply.generated ? *reply.generated : reply.body.size();
    const std::string head =
        "HTTP/1.1 " + std::to_string(reply.status) + ' ' + reason(reply.status) +
        "\r\nContent-Type: " + reply.contentType +
        "\r\nContent-Length: " + std::to_string(reply.announcedLength.value_or(length)) +
        (reply.location.empty() ? "" : "\r\nLocation: " + reply.location) +
        "\r\nConnection: close\r\n\r\n";
    if (!channel.sendAll(head.data(), head.size()))
        return;

    const std::uint64_t toSend =
        reply.ending == Ending::Complete ? length : std::min(length, reply.endAfter);
    if (reply.generated) {
        const std::string& block = patternBlock();
        for (std::uint64_t sent = 0; sent < toSend && !m_stopping;) {
            const std::uint64_t offset = sent % block.size();
            const std::uint64_t chunk =
                std::min<std::uint64_t>(block.size() - offset, toSend - sent);
            if (!channel.sendAll(block.data() + offset, chunk))
                return;
            sent += chunk;
        }
    } else if (reply.trickleMs > 0) {
        for (std::uint64_t i = 0; i < toSend && !m_stopping; ++i) {
            if (!channel.sendAll(reply.body.data() + i, 1))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.trickleMs));
        }
    } else if (!channel.sendAll(reply.body.data(), toSend)) {
        return;
    }

    switch (reply.ending) {
    case Ending::Reset:
        channel.reset();
        break;
    case Ending::Stall:
        waitWhileOpen(channel);
        break;
    default:
        channel.finish();
        break;
    }
}

bool LocalServer::waitWhileOpen(Channel& channel)
{
    char buffer[256];
    while (!m_stopping) {
        if (!channel.readable(50))
            continue;
        if (channel.receive(buffer, sizeof buffer) <= 0)
            return true;
    }
    return false;
}
