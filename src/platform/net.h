#pragma once

// TCP sockets with the program's own time-outs, so that a silent, dripping or unreachable server
// never blocks the program's task for long: a connect waits at most 15 s and a receive 30 s of
// silence, and all waits of a socket end 60 s after OpenStream (the whole download). A quit from
// outside ends any wait at once. Both count as failures (a receive that ends so gives -1). A failed
// call keeps the system's error number on the socket (Error), so that callers can tell a refused
// connection from an unreachable server or a time-out.

#include <cstddef>
#include <cstdint>

namespace net {

struct Socket;

enum class Result { Ok, Failed, TimedOut };

// A stream socket, or null.
Socket *OpenStream();
// Connects to a dotted IPv4 address (the forms inet_addr accepts) and port. An address that is no
// address fails (EINVAL); a connect that takes longer than the connect time-out gives TimedOut
// (ETIMEDOUT).
Result Connect(Socket *s, const char *dottedAddress, uint16_t port);
// Bytes sent, or -1. A peer that has gone away gives -1, never a signal.
long Send(Socket *s, const void *data, size_t length);
// Bytes received, 0 when the peer closed, -1 on error or when the peer stays silent for the
// receive time-out (ETIMEDOUT).
long Recv(Socket *s, void *buf, size_t length);
// The errno of the socket's last failed call: ETIMEDOUT for a time-out, ECANCELED when a pending quit
// ended the wait, 0 when nothing failed.
int Error(const Socket *s);
// Accepts null.
void Close(Socket *s);

} // namespace net
