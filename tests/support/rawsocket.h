#ifndef VHPD_RAWSOCKET_H
#define VHPD_RAWSOCKET_H

#include <cstddef>
#include <cstdint>

// The few TCP calls the raw test peer makes, over BSD sockets or Winsock, so
// that the peer itself reads the same on every platform.
namespace RawSocket {

// A socket descriptor, or a Winsock SOCKET; `invalid` when there is none.
using Handle = std::intptr_t;
constexpr Handle invalid = -1;

// A socket listening on 127.0.0.1 at a port the system picked, written to
// `port`; `invalid` when the system refused.
Handle listenOnLoopback(int &port);
// Waits up to `timeoutMs` for `socket` to become readable (for a listener: to
// have a connection waiting); false when it did not.
bool waitReadable(Handle socket, int timeoutMs);
Handle accept(Handle listener);
// Bytes received, 0 at the peer's orderly close, negative on an error.
long receive(Handle socket, char *buffer, std::size_t size);
// Sends what the socket takes at once; a peer that has left is no error.
void send(Handle socket, const char *data, std::size_t size);
// Makes the coming close() end the connection with a reset (RST) rather than
// an orderly shutdown.
void resetOnClose(Handle socket);
void close(Handle socket);

} // namespace RawSocket

#endif // VHPD_RAWSOCKET_H
