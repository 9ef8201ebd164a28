#include "connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

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

Connection::Connection(int socket, const ConnectionLimits &limits, std::function<bool()> stopping)
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
        pollfd entry{m_socket, events, 0};
        const int ready =
            ::poll(&entry, 1,
                   int(std::chrono::duration_cast<std::chrono::milliseconds>(step).count()) + 1);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
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
            received = ::recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        while (received < 0 && errno == EINTR);
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
        const ssize_t sent = ::send(m_socket, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return sent;
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) ||
            !wait(POLLOUT, Clock::now() + m_limits.idleTime))
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
        ::shutdown(m_socket, SHUT_WR);
        const auto until = Clock::now() + m_limits.lingerTime;
        char sink[kBufferSize];
        while (wait(POLLIN, until) && ::recv(m_socket, sink, sizeof sink, 0) > 0) {
        }
    }
    ::shutdown(m_socket, SHUT_RDWR);
    ::close(m_socket);
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
