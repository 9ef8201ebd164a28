#include "connection.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The few socket calls that differ between Winsock and POSIX.
#ifdef _WIN32
int pollSocket(socket_t socket, short events, int milliseconds)
{
    WSAPOLLFD entry{socket, events, 0};
    return ::WSAPoll(&entry, 1, milliseconds);
}
bool interrupted()
{
    return false;
}
bool wouldBlock()
{
    return ::WSAGetLastError() == WSAEWOULDBLOCK;
}
ssize_t receive(socket_t socket, char *buffer, std::size_t size)
{
    return ::recv(socket, buffer, int(std::min<std::size_t>(size, 1 << 30)), 0);
}
// At most what a writable socket takes without waiting, as a rule.
ssize_t sendSome(socket_t socket, const char *data, std::size_t size)
{
    return ::send(socket, data, int(std::min<std::size_t>(size, 64 * 1024)), 0);
}
void endSending(socket_t socket)
{
    ::shutdown(socket, SD_SEND);
}
void closeSocket(socket_t socket)
{
    ::shutdown(socket, SD_BOTH);
    ::closesocket(socket);
}
#else
int pollSocket(socket_t socket, short events, int milliseconds)
{
    pollfd entry{socket, events, 0};
    return ::poll(&entry, 1, milliseconds);
}
bool interrupted()
{
    return errno == EINTR;
}
bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}
ssize_t receive(socket_t socket, char *buffer, std::size_t size)
{
    return ::recv(socket, buffer, size, 0);
}
ssize_t sendSome(socket_t socket, const char *data, std::size_t size)
{
    return ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
}
void endSending(socket_t socket)
{
    ::shutdown(socket, SHUT_WR);
}
void closeSocket(socket_t socket)
{
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}
#endif

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBufferSize = 16 * 1024;
// How often a waiting read or write looks whether the server stops.
constexpr std::chrono::milliseconds kStopCheck{100};

thread_local Connection *t_current = nullptr;

void describe(const sockaddr_storage &address, std::string &ip, int &port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

} // namespace

Connection::Connection(socket_t socket, const ConnectionLimits &limits,
                       std::function<bool()> stopping)
    : m_socket(socket)
    , m_limits(limits)
    , m_stopping(std::move(stopping))
    , m_buffer(kBufferSize)
    , m_requestStart(Clock::now())
    , m_previous(t_current)
{
    t_current = this;
}

Connection::~Connection()
{
    t_current = m_previous;
}

Connection *Connection::current()
{
    return t_current;
}

bool Connection::wait(short events, Clock::time_point deadline) const
{
    for (;;) {
        if (m_stopping())
            return false;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        const auto step = std::min<Clock::duration>(deadline - now, kStopCheck);
        const int ready = pollSocket(
            m_socket, events,
            int(std::chrono::duration_cast<std::chrono::milliseconds>(step).count()) + 1);
        if (ready > 0)
            return true;
        if (ready < 0 && !interrupted())
            return false;
    }
}

bool Connection::awaitRequest(std::chrono::milliseconds idle)
{
    m_phase = Phase::Head;
    m_headBytes = 0;
    m_bodyDeadline = Clock::time_point::max();
    if (m_begin == m_end && !wait(POLLIN, Clock::now() + idle))
        return false;
    m_requestStart = Clock::now();
    return true;
}

void Connection::headRead()
{
    m_phase = Phase::Body;
}

void Connection::setBodyDeadline(Clock::time_point deadline)
{
    m_bodyDeadline = deadline;
}

Clock::time_point Connection::readDeadline() const
{
    const auto idle = Clock::now() + m_limits.idleTime;
    if (m_phase == Phase::Head)
        return std::min(idle, m_requestStart + m_limits.headTime);
    return std::min(idle, m_bodyDeadline);
}

bool Connection::is_readable() const
{
    return m_begin < m_end || wait(POLLIN, readDeadline());
}

bool Connection::is_writable() const
{
    return wait(POLLOUT, Clock::now() + m_limits.idleTime);
}

ssize_t Connection::read(char *ptr, std::size_t size)
{
    if (m_phase == Phase::Head) {
        // A head that does not end within its limits ends the connection.
        if (m_headBytes >= m_limits.headBytes || Clock::now() >= readDeadline())
            return -1;
        size = std::min(size, m_limits.headBytes - m_headBytes);
    }
    if (m_begin == m_end) {
        if (!wait(POLLIN, readDeadline()))
            return -1;
        ssize_t received;
        do
            received = receive(m_socket, m_buffer.data(), m_buffer.size());
        while (received < 0 && interrupted());
        if (received <= 0)
            return received;
        m_begin = 0;
        m_end = std::size_t(received);
    }
    const std::size_t count = std::min(size, m_end - m_begin);
    std::memcpy(ptr, m_buffer.data() + m_begin, count);
    m_begin += count;
    if (m_phase == Phase::Head)
        m_headBytes += count;
    return ssize_t(count);
}

ssize_t Connection::write(const char *ptr, std::size_t size)
{
    for (;;) {
#ifdef _WIN32
        // Winsock has no per-call "don't wait": wait until the socket takes more.
        if (!wait(POLLOUT, Clock::now() + m_limits.idleTime))
            return -1;
#endif
        const ssize_t sent = sendSome(m_socket, ptr, size);
        if (sent >= 0)
            return sent;
        if (interrupted())
            continue;
        if (!wouldBlock() || !wait(POLLOUT, Clock::now() + m_limits.idleTime))
            return -1;
    }
}

void Connection::get_remote_ip_and_port(std::string &ip, int &port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        describe(address, ip, port);
}

void Connection::get_local_ip_and_port(std::string &ip, int &port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        describe(address, ip, port);
}

// Closing a socket with unread data makes the system reset the connection,
// which can throw away the reply before the client reads it: a connection
// ended early first says it sends no more, then drops what still arrives for
// a while.
void Connection::finish()
{
    if (m_closeAfterReply) {
        endSending(m_socket);
        const auto until = Clock::now() + m_limits.lingerTime;
        char sink[kBufferSize];
        while (wait(POLLIN, until) && receive(m_socket, sink, sizeof sink) > 0) {
        }
    }
    closeSocket(m_socket);
}

WorkerPool::WorkerPool(int maximum)
    : m_maximum(std::size_t(std::max(1, maximum)))
{}

WorkerPool::~WorkerPool()
{
    shutdown();
}

void WorkerPool::enqueue(std::function<void()> job)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_jobs.push_back(std::move(job));
    if (m_jobs.size() > m_idle && m_threads.size() < m_maximum)
        m_threads.emplace_back([this] { work(); });
    else
        m_wake.notify_one();
}

void WorkerPool::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

void WorkerPool::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        --m_idle;
        if (m_jobs.empty())
            return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}
