#ifndef VHPD_SANDBOX_CONNECTION_H
#define VHPD_SANDBOX_CONNECTION_H

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// What one client may cost the server: the size and time of a request's head,
// silences, and how many connections are served at once.
struct ConnectionLimits
{
    // Bytes of a request line and its headers together.
    std::size_t headBytes = 64 * 1024;
    // From a request's first byte to the end of its headers.
    std::chrono::milliseconds headTime{10000};
    // The longest silence while a request or its reply is under way.
    std::chrono::milliseconds idleTime{5000};
    // How long a connection that is closed early keeps reading (and
    // dropping) what the client still sends, so that the reply reaches it.
    std::chrono::milliseconds lingerTime{2000};
    // Connections served at once; further ones wait for a free worker.
    int workers = 128;
};

// One client connection as the HTTP library reads and writes it, with the
// limits applied: a request's head ends within headTime and headBytes, no
// read or write waits longer than idleTime, and a body may be given its own
// deadline. Reads and writes also end when the server stops.
class Connection : public httplib::Stream
{
public:
    Connection(socket_t socket, const ConnectionLimits &limits, std::function<bool()> stopping);
    ~Connection() override;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // The connection the calling worker thread is serving, or null.
    static Connection *current();

    // Waits up to `idle` for the next request's first byte; false when the
    // client stays silent, hangs up or the server stops.
    bool awaitRequest(std::chrono::milliseconds idle);
    // The request's head has been read: from now on reads have no head
    // limits, only the idle time and `deadline` when one is set.
    void headRead();
    void setBodyDeadline(std::chrono::steady_clock::time_point deadline);
    // Ends the connection after the reply being prepared, whatever the
    // client asked for: the rest of its request is not read.
    void closeAfterReply() { m_closeAfterReply = true; }
    bool closingAfterReply() const { return m_closeAfterReply; }
    // When the current request's first byte arrived.
    std::chrono::steady_clock::time_point requestStart() const { return m_requestStart; }
    // What the request log shows beside the request being answered (UTF-8),
    // such as the code a text message would have carried.
    void setLogNote(std::string note) { m_logNote = std::move(note); }
    std::string takeLogNote() { return std::exchange(m_logNote, std::string()); }

    // Lets a closed-early client read its reply, then closes.
    void finish();

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, std::size_t size) override;
    ssize_t write(const char *ptr, std::size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return m_socket; }

private:
    enum class Phase { Head, Body };
    // Waits for `events` on the socket until `deadline`, in short steps so
    // that a stopping server is noticed; false on time-out or stop.
    bool wait(short events, std::chrono::steady_clock::time_point deadline) const;
    std::chrono::steady_clock::time_point readDeadline() const;

    socket_t m_socket;
    ConnectionLimits m_limits;
    std::function<bool()> m_stopping;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    Phase m_phase = Phase::Head;
    std::size_t m_headBytes = 0;
    std::chrono::steady_clock::time_point m_requestStart;
    std::chrono::steady_clock::time_point m_bodyDeadline =
        std::chrono::steady_clock::time_point::max();
    bool m_closeAfterReply = false;
    std::string m_logNote;
    Connection *m_previous = nullptr;
};

// Worker threads started as connections need them, up to a maximum, and kept
// for the next connections until the server stops.
class WorkerPool : public httplib::TaskQueue
{
public:
    explicit WorkerPool(int maximum);
    ~WorkerPool() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

private:
    void work();

    const std::size_t m_maximum;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    std::size_t m_idle = 0;
    bool m_stopping = false;
};

#endif // VHPD_SANDBOX_CONNECTION_H
