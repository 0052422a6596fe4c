#pragma once

// TCP sockets with the program's own time-outs.

#include <cstddef>
#include <cstdint>

namespace net {

struct Socket;

enum class Result { Ok, Failed, TimedOut };

// A stream socket, or null.
Socket *OpenStream();
// Connects to a dotted IPv4 address and port; a connect that takes longer than the connect
// time-out counts as failed.
Result Connect(Socket *s, const char *dottedAddress, uint16_t port);
// Bytes sent, or -1.
long Send(Socket *s, const void *data, size_t length);
// Bytes received, 0 when the peer closed, -1 on error or when the peer stays silent for the
// receive time-out.
long Recv(Socket *s, void *buf, size_t length);
void Close(Socket *s);

// Time-outs in milliseconds (connect 15000, receive 30000); tests shorten them.
void SetTimeouts(int connectMs, int receiveMs);

} // namespace net
