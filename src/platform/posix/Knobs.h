#pragma once

// What tests turn in the POSIX host. Nothing of the program or the real hosts calls these: the values
// they start with are what users get. Only tests include this header.

#include <cstdint>

namespace exec_host {

// The exec version the host reports: 54.16 until set.
void SetVersion(uint16_t version, uint16_t revision);

// Forgets every signal of the main task and a pending quit.
void ResetSignals();

} // namespace exec_host

namespace application_host {

// The application library's version the host offers: 53 until set.
void SetLibraryVersion(uint32_t version);

} // namespace application_host

namespace net_host {

// The socket time-outs in milliseconds: connecting, a silent receive, the whole download (for sockets
// opened afterwards).
constexpr int DefaultConnectTimeoutMs = 15000;
constexpr int DefaultReceiveTimeoutMs = 30000;
constexpr int DefaultDownloadTimeoutMs = 60000;
void SetTimeouts(int connectMs, int receiveMs);
void SetDownloadTimeout(int ms);

} // namespace net_host

namespace port_host {

// How long a public port's client may stay silent before its first byte: 1000 ms until set.
void SetFirstByteTimeout(int ms);

} // namespace port_host

namespace autostart_host {

// The link that names the running program's file for the autostart entry: /proc/self/exe until set. A
// test points it at a link of its own; null goes back to the kernel's.
void SetProgramLink(const char *path);

} // namespace autostart_host
