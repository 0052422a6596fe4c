#pragma once

// What tests turn in the HTTP host. Nothing of the program or the real hosts calls these: the values
// they start with are what users get. Only tests include this header.

namespace http_host {

// The time-outs in milliseconds: connecting (with the TLS handshake), silence while receiving, the whole
// download (all redirects together).
constexpr int DefaultConnectTimeoutMs = 15000;
constexpr int DefaultSilenceTimeoutMs = 30000;
constexpr int DefaultDownloadTimeoutMs = 60000;
void SetTimeouts(int connectMs, int silenceMs, int downloadMs);

} // namespace http_host
