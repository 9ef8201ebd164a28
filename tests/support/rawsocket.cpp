#include "rawsocket.h"

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

namespace RawSocket {

#ifdef _WIN32

namespace {

// Winsock counts its users; the test programs keep it for their whole run.
void startWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

SOCKET native(Handle socket)
{
    return static_cast<SOCKET>(socket);
}

} // namespace

Handle listenOnLoopback(int &port)
{
    startWinsock();
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return invalid;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::closesocket(listener);
        return invalid;
    }
    port = ntohs(address.sin_port);
    return static_cast<Handle>(listener);
}

bool waitReadable(Handle socket, int timeoutMs)
{
    WSAPOLLFD p{native(socket), POLLRDNORM, 0};
    return ::WSAPoll(&p, 1, timeoutMs) > 0;
}

Handle accept(Handle listener)
{
    const SOCKET socket = ::accept(native(listener), nullptr, nullptr);
    return socket == INVALID_SOCKET ? invalid : static_cast<Handle>(socket);
}

long receive(Handle socket, char *buffer, std::size_t size)
{
    return ::recv(native(socket), buffer, int(size), 0);
}

void send(Handle socket, const char *data, std::size_t size)
{
    ::send(native(socket), data, int(size), 0);
}

void resetOnClose(Handle socket)
{
    const linger abortive{1, 0};
    ::setsockopt(native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&abortive),
                 sizeof abortive);
}

void close(Handle socket)
{
    ::closesocket(native(socket));
}

#else

Handle listenOnLoopback(int &port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0)
        return invalid;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(listener);
        return invalid;
    }
    port = ntohs(address.sin_port);
    return listener;
}

bool waitReadable(Handle socket, int timeoutMs)
{
    pollfd p{int(socket), POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

Handle accept(Handle listener)
{
    const int socket = ::accept(int(listener), nullptr, nullptr);
    return socket < 0 ? invalid : socket;
}

long receive(Handle socket, char *buffer, std::size_t size)
{
    return long(::recv(int(socket), buffer, size, 0));
}

void send(Handle socket, const char *data, std::size_t size)
{
    // A peer that has already left must not end the test program by SIGPIPE.
    ::send(int(socket), data, size, MSG_NOSIGNAL);
}

void resetOnClose(Handle socket)
{
    const linger abortive{1, 0};
    ::setsockopt(int(socket), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

void close(Handle socket)
{
    ::close(int(socket));
}

#endif

} // namespace RawSocket
