#include "TavrinHttp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "TavrinCause.h"
#include "TavrinLocale.h"
#include "platform/dos.h"
#include "platform/net.h"

// Reserved for loopback by name and by number: the hidden channel reaches a server on this
// machine only, never a stranger's host.
const char gb_VEdodHost[] = "news.vedod.localhost";
const char gb_VEdodADR[] = "127.0.0.1";

namespace {

constexpr UWORD HTTP_PORT = 80;
constexpr ULONG CHUNK_SIZE = 1024;

// Every request is the same text around the host and the path; the request line carries no
// protocol version.
constexpr char REQUEST_FORMAT[] = "GET http://%s%s\r\nUser-Agent: Tavrin/1.0\r\nConnection: close\r\n\r\n";

void ShowError(LONG id)
{
    DisplayRequester(REQType_Error, GetString(id), GetString(TX_Ok));
}

// A failure to reach the server bothers the user only while the window is open; a check in the
// background just marks the network as failed.
void ShowConnectionError(LONG id)
{
    if (gb_Win)
        ShowError(id);
}

// A failure in the system's words, kept for the dock and the debug line.
void NoteSocketFailure(LONG text, int error)
{
    NetCause cause {text, 0, 0, ""};
    if (error)
        Strlcpy(cause.detail, strerror(error), sizeof cause.detail);
    NoteFailure(cause);
}

// Refused, unreachable and timed out are told apart by the system's error.
void NoteConnectFailure(net::Result result, int error)
{
    if (result == net::Result::TimedOut || error == ETIMEDOUT)
        NoteSocketFailure(ERR_NetTimedOut, 0);
    else if (error == ECONNREFUSED)
        NoteSocketFailure(ERR_NetRefused, 0);
    else if (error == ENETUNREACH || error == EHOSTUNREACH)
        NoteSocketFailure(ERR_NetUnreachable, 0);
    else
        NoteSocketFailure(ERR_NetFailed, error);
}

BOOL ConnectToServer(net::Socket *sock, LONG side)
{
    char host[sizeof gb_NewsADR];
    UWORD port = HTTP_PORT;
    if (side == VEdod_german)
        Strlcpy(host, gb_VEdodADR, sizeof host);
    else if (!SplitServerAddress(gb_NewsADR, host, sizeof host, &port))
        host[0] = 0; // no address at all: the connect fails
    const net::Result result = net::Connect(sock, host, port);
    if (result != net::Result::Ok)
        NoteConnectFailure(result, net::Error(sock));
    return result == net::Result::Ok;
}

BOOL SendRequest(net::Socket *sock, CONST_STRPTR request)
{
    const size_t length = strlen(request);
    for (size_t sent = 0; sent < length;) {
        const long n = net::Send(sock, request + sent, length - sent);
        if (n < 0)
            return FALSE;
        sent += static_cast<size_t>(n);
    }
    return TRUE;
}

// Stores the answer until the server closes, reading straight into the buffer as much as has
// arrived. Whether an answer fits is still decided in chunks of 1024 bytes: a read counts as the
// chunks that reads of at most 1024 bytes would have got from the same bytes, and the chunk that
// would overflow the buffer is dropped with everything behind it, so an answer that is too long
// stops at a chunk boundary. The text is terminated in every case, a failed receive included.
BOOL ReceiveAnswer(net::Socket *sock, char *buffer, ULONG *count)
{
    for (;;) {
        // The buffer holds gb_RSSBufSize bytes and the NUL; a read may take one byte more than
        // fits, so that an answer that is too long shows in the read itself.
        const long n = net::Recv(sock, buffer + *count, gb_RSSBufSize + 1 - *count);
        if (n > 0 && *count + static_cast<ULONG>(n) > gb_RSSBufSize) {
            *count += (gb_RSSBufSize - *count) / CHUNK_SIZE * CHUNK_SIZE;
            buffer[*count] = 0;
            ShowError(ERR_BufferToSmall);
            return TRUE;
        }
        if (n > 0) {
            *count += static_cast<ULONG>(n);
            continue;
        }
        buffer[*count] = 0;
        if (n == 0)
            return TRUE;
        const int error = net::Error(sock);
        NoteSocketFailure(error == ETIMEDOUT ? ERR_NetTimedOut : ERR_NetBroken, error == ETIMEDOUT ? 0 : error);
        ShowError(ERR_ReceiveDataError);
        return FALSE;
    }
}

} // namespace

void DumpAnswer(CONST_STRPTR buffer, ULONG count)
{
    dos::File *file = dos::Open("ram:rss-file", dos::MODE_NEWFILE);
    if (!file)
        return;
    dos::Write(file, buffer, static_cast<int32_t>(count));
    dos::Close(file);
}

BOOL BuildNewsRequest(char *request, LONG side)
{
    CONST_STRPTR host = gb_NewsURL;
    CONST_STRPTR path;
    switch (side) {
    case Kestrel_german:
        path = "/rss_de";
        break;
    case Kestrel_english:
        path = "/rss_en";
        break;
    case VEdod_german:
        host = gb_VEdodHost;
        path = "/de/backends/news/index.rss";
        break;
    default:
        return FALSE;
    }
    snprintf(request, NEWS_REQUEST_SIZE, REQUEST_FORMAT, host, path);
    return TRUE;
}

BOOL SplitServerAddress(CONST_STRPTR adr, char *host, size_t hostSize, UWORD *port)
{
    CONST_STRPTR colon = strchr(adr, ':');
    const size_t hostLength = colon ? static_cast<size_t>(colon - adr) : strlen(adr);
    if (hostLength >= hostSize)
        return FALSE;
    memcpy(host, adr, hostLength);
    host[hostLength] = 0;
    *port = HTTP_PORT;
    if (!colon)
        return TRUE;

    ULONG value = 0;
    CONST_STRPTR digit = colon + 1;
    for (; *digit >= '0' && *digit <= '9' && value <= 65535; digit++)
        value = value * 10 + static_cast<ULONG>(*digit - '0');
    if (digit == colon + 1 || *digit || value == 0 || value > 65535)
        return FALSE;
    *port = static_cast<UWORD>(value);
    return TRUE;
}

BOOL getNewsInternal(char *buffer, LONG side)
{
    ULONG count = 0;
    buffer[0] = 0;

    char request[NEWS_REQUEST_SIZE];
    if (!BuildNewsRequest(request, side))
        return FALSE;

    net::Socket *sock = net::OpenStream();
    if (!sock) {
        NoteSocketFailure(ERR_NetFailed, 0);
        ShowConnectionError(ERR_CanNotCreateSocket);
        return FALSE;
    }
    // Refused, unreachable and timed out alike for the user; the dock's tooltip tells them apart.
    if (!ConnectToServer(sock, side)) {
        net::Close(sock);
        ShowConnectionError(ERR_CanNotConnectServer);
        return FALSE;
    }

    if (gb_Debug & DEBUG_HTTP)
        dos::Printf(" Attempting to send %ld bytes to server\n", static_cast<long>(strlen(request)));
    if (!SendRequest(sock, request)) {
        NoteSocketFailure(ERR_NetBroken, net::Error(sock));
        net::Close(sock);
        ShowError(ERR_SendDataError);
        return FALSE;
    }

    const BOOL received = ReceiveAnswer(sock, buffer, &count);
    net::Close(sock);
    if (!received)
        return FALSE;

    if (gb_Debug & DEBUG_HTTP) {
        dos::Printf(" Finished receiving data, %ld bytes\n", static_cast<long>(count));
        DumpAnswer(buffer, count);
    }
    return TRUE;
}
