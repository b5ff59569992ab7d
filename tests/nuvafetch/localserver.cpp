#include "localserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
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

LocalServer::LocalServer()
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
    return "http://127.0.0.1:" + std::to_string(m_port);
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
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd waiting{client, POLLIN, 0};
        if (m_stopping) {
            ::close(client);
            return;
        }
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            ::close(client);
            return;
        }
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
    sendReply(client, reply);
    ::close(client);
}

void LocalServer::sendReply(int client, const Reply& reply)
{
    if (reply.ending == Ending::NoReply) {
        waitWhileOpen(client);
        return;
    }
    const std::uint64_t length = reply.generated ? *reply.generated : reply.body.size();
    const std::string head =
        "HTTP/1.1 " + std::to_string(reply.status) + ' ' + reason(reply.status) +
        "\r\nContent-Type: " + reply.contentType +
        "\r\nContent-Length: " + std::to_string(reply.announcedLength.value_or(length)) +
        (reply.location.empty() ? "" : "\r\nLocation: " + reply.location) +
        "\r\nConnection: close\r\n\r\n";
    if (!sendAll(client, head.data(), head.size()))
        return;

    const std::uint64_t toSend =
        reply.ending == Ending::Complete ? length : std::min(length, reply.endAfter);
    if (reply.generated) {
        const std::string& block = patternBlock();
        for (std::uint64_t sent = 0; sent < toSend && !m_stopping;) {
            const std::uint64_t offset = sent % block.size();
            const std::uint64_t chunk =
                std::min<std::uint64_t>(block.size() - offset, toSend - sent);
            if (!sendAll(client, block.data() + offset, chunk))
                return;
            sent += chunk;
        }
    } else if (reply.trickleMs > 0) {
        for (std::uint64_t i = 0; i < toSend && !m_stopping; ++i) {
            if (!sendAll(client, reply.body.data() + i, 1))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.trickleMs));
        }
    } else if (!sendAll(client, reply.body.data(), toSend)) {
        return;
    }

    switch (reply.ending) {
    case Ending::Reset: {
        // Closing with a zero linger time sends RST instead of FIN.
        const linger abort{1, 0};
        ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        break;
    }
    case Ending::Stall:
        waitWhileOpen(client);
        break;
    default:
        ::shutdown(client, SHUT_WR);
        break;
    }
}

bool LocalServer::waitWhileOpen(int client)
{
    char buffer[256];
    while (!m_stopping) {
        pollfd waiting{client, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        if (::recv(client, buffer, sizeof buffer, 0) <= 0)
            return true;
    }
    return false;
}
