#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

/// A small HTTP/1.1 server on 127.0.0.1 for the updater's tests and
/// benchmark. It serves scripted replies per path and can misbehave the ways
/// real servers and networks do: bodies cut short, connections reset,
/// replies that never come. Every connection gets its own thread and is
/// closed after one reply. Given a TLS identity it speaks HTTPS instead.
struct TlsIdentity;
class LocalServer {
public:
    enum class Ending {
        Complete, ///< the whole body, then close
        Close,    ///< close cleanly after `endAfter` body bytes
        Reset,    ///< reset the connection after `endAfter` body bytes
        Stall,    ///< send `endAfter` body bytes, then nothing until the client leaves
        NoReply,  ///< read the request and never answer
    };

    struct Reply {
        int status = 200;
        std::string contentType = "application/octet-stream";
        std::string body;
        /// When set, the body is this many bytes of pattern() made on the fly.
        std::optional<std::uint64_t> generated;
        /// Content-Length sent; by default the true length.
        std::optional<std::uint64_t> announcedLength;
        Ending ending = Ending::Complete;
        std::uint64_t endAfter = 0;
        /// A Location header, for redirects.
        std::string location;
        /// When set, the body goes out one byte at a time with this pause.
        unsigned trickleMs = 0;
    };

    LocalServer();
    /// An HTTPS server showing identity's certificate.
    explicit LocalServer(const TlsIdentity& identity);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    /// Serves reply at path ("/product/x/version.txt"); others get an HTML 404.
    void route(const std::string& path, Reply reply);
    /// Shorthand for a 200 reply with body.
    void file(const std::string& path, std::string body, std::string type = "text/plain");

    /// "http://127.0.0.1:<port>" ("https://..." with TLS)
    std::string base() const;
    int port() const { return m_port; }
    /// The paths requested so far, in order.
    std::vector<std::string> requests() const;

    /// Byte i of a generated body.
    static unsigned char pattern(std::uint64_t i) { return static_cast<unsigned char>(i % 251); }

    class Channel;
    struct TlsContext;

private:
    void listenOnLoopback();
    void acceptLoop();
    void serve(int client);
    void sendReply(Channel& channel, const Reply& reply);
    bool waitWhileOpen(Channel& channel);

    std::unique_ptr<TlsContext> m_tls;

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_lock;
    std::map<std::string, Reply> m_routes;
    std::vector<std::string> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};
