#include "uploadsink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t ReadChunk = 1 << 20;

bool sendAll(int fd, const std::string &text)
{
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The value of header `name` (lower case) in `head`, or "" when absent.
std::string headerValue(const std::string &head, const std::string &name)
{
    const std::string lower = lowered(head);
    const std::size_t at = lower.find("\r\n" + name + ":");
    if (at == std::string::npos)
        return std::string();
    std::size_t from = at + name.size() + 3;
    const std::size_t end = lower.find("\r\n", from);
    while (from < end && lower[from] == ' ')
        ++from;
    return lower.substr(from, end - from);
}

} // namespace

struct UploadSink::State
{
    int listener = -1;
    int port = 0;
    std::thread acceptor;
    std::atomic<std::uint64_t> received{0};
    std::mutex mutex;
    std::vector<int> connections;
    std::vector<std::thread> workers;

    // Serves one keep-alive connection: each request's head is read, its
    // Content-Length bytes counted and dropped, and "{}" sent back.
    void serve(int fd)
    {
        std::string buffer;
        std::vector<char> chunk(ReadChunk);
        for (;;) {
            std::size_t headEnd;
            while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
                const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
                if (n <= 0)
                    return;
                buffer.append(chunk.data(), std::size_t(n));
            }
            const std::string head = buffer.substr(0, headEnd);
            buffer.erase(0, headEnd + 4);
            const std::string length = headerValue(head, "content-length");
            if (length.empty()) {
                sendAll(fd, "HTTP/1.1 411 Length Required\r\nContent-Length: 0\r\n"
                            "Connection: close\r\n\r\n");
                return;
            }
            if (headerValue(head, "expect") == "100-continue" &&
                !sendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n"))
                return;
            std::uint64_t left = std::stoull(length);
            const std::size_t buffered = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
            buffer.erase(0, buffered);
            left -= buffered;
            received += buffered;
            while (left > 0) {
                const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
                if (n <= 0)
                    return;
                const std::uint64_t taken = std::min<std::uint64_t>(left, std::uint64_t(n));
                received += taken;
                left -= taken;
                buffer.append(chunk.data() + taken, std::size_t(n) - std::size_t(taken));
            }
            if (!sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                             "Content-Length: 2\r\n\r\n{}"))
                return;
        }
    }

    void acceptLoop()
    {
        for (;;) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd < 0)
                return;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            std::lock_guard<std::mutex> lock(mutex);
            connections.push_back(fd);
            workers.emplace_back([this, fd] { serve(fd); });
        }
    }
};

UploadSink::UploadSink()
    : d(new State)
{
    d->listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(d->listener, reinterpret_cast<sockaddr *>(&address), size);
    ::listen(d->listener, 16);
    ::getsockname(d->listener, reinterpret_cast<sockaddr *>(&address), &size);
    d->port = ntohs(address.sin_port);
    d->acceptor = std::thread([this] { d->acceptLoop(); });
}

UploadSink::~UploadSink()
{
    ::shutdown(d->listener, SHUT_RDWR);
    d->acceptor.join();
    ::close(d->listener);
    std::lock_guard<std::mutex> lock(d->mutex);
    for (int fd : d->connections)
        ::shutdown(fd, SHUT_RDWR);
    for (std::thread &worker : d->workers)
        worker.join();
    for (int fd : d->connections)
        ::close(fd);
}

QString UploadSink::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

std::uint64_t UploadSink::takeReceivedBytes()
{
    return d->received.exchange(0);
}
