#include "platform/net.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <new>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/host.h"
#include "platform/posix/Knobs.h"

namespace net {

using Clock = std::chrono::steady_clock;

struct Socket {
    int fd;
    Clock::time_point deadline; // of the whole download
    int error; // errno of the last failed call
};

std::atomic<net_host::IdleFn> idleHook {nullptr};

namespace {

// Keeps `error` on the socket; returns -1.
int Failed(Socket *s, int error)
{
    s->error = error;
    return -1;
}

std::atomic<int> connectTimeoutMs {net_host::DefaultConnectTimeoutMs};
std::atomic<int> receiveTimeoutMs {net_host::DefaultReceiveTimeoutMs};
std::atomic<int> downloadTimeoutMs {net_host::DefaultDownloadTimeoutMs};

// How often a blocked wait lets the GUI host repaint.
constexpr int kIdleSliceMs = 50;

// Waits for `events` on the socket for at most timeoutMs in all, and not past the download's
// deadline, whatever signals interrupt the wait. Returns the revents, 0 on time-out (ETIMEDOUT kept),
// -1 on error or when a quit is pending (ECANCELED kept).
int PollFor(Socket *s, short events, int timeoutMs)
{
    const auto deadline = std::min(s->deadline, Clock::now() + std::chrono::milliseconds(timeoutMs));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto idle = idleHook.load();
        int slice = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        if (idle && slice > kIdleSliceMs)
            slice = kIdleSliceMs;
        pollfd p[2] = {{s->fd, events, 0}, {exec_host::QuitFd(), POLLIN, 0}};
        const int rc = poll(p, 2, slice);
        if (rc > 0 && p[1].revents)
            return Failed(s, ECANCELED);
        if (rc > 0)
            return p[0].revents;
        if (rc == 0 && Clock::now() >= deadline) {
            s->error = ETIMEDOUT;
            return 0;
        }
        if (rc == 0) {
            if (idle)
                idle();
            continue;
        }
        if (errno != EINTR)
            return Failed(s, errno);
    }
}

bool SetBlocking(int fd, bool blocking)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    return fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

// Finishes a non-blocking connect that is under way.
Result AwaitConnect(Socket *s)
{
    const int revents = PollFor(s, POLLOUT, connectTimeoutMs.load());
    if (revents == 0)
        return Result::TimedOut;
    if (revents < 0)
        return Result::Failed;
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(s->fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
        error = errno;
    if (error == 0)
        return Result::Ok;
    Failed(s, error);
    return error == ETIMEDOUT ? Result::TimedOut : Result::Failed;
}

} // namespace

Socket *OpenStream()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    auto *s = new (std::nothrow) Socket {fd, Clock::now() + std::chrono::milliseconds(downloadTimeoutMs.load()), 0};
    if (!s)
        close(fd);
    return s;
}

Result Connect(Socket *s, const char *dottedAddress, uint16_t port)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (!inet_aton(dottedAddress, &addr.sin_addr)) {
        Failed(s, EINVAL);
        return Result::Failed;
    }

    // Non-blocking only while connecting, so that the wait has our own limit.
    if (!SetBlocking(s->fd, false)) {
        Failed(s, errno);
        return Result::Failed;
    }
    Result result = Result::Ok;
    if (connect(s->fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        // EINTR leaves the connect running in the background, just like EINPROGRESS.
        if (errno == EINPROGRESS || errno == EINTR) {
            result = AwaitConnect(s);
        } else {
            Failed(s, errno);
            result = Result::Failed;
        }
    }
    if (result == Result::Ok && !SetBlocking(s->fd, true)) {
        Failed(s, errno);
        result = Result::Failed;
    }
    return result;
}

long Send(Socket *s, const void *data, size_t length)
{
    for (;;) {
        // MSG_NOSIGNAL: a peer that closed early must give an error, not SIGPIPE.
        const ssize_t n = send(s->fd, data, length, MSG_NOSIGNAL);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return Failed(s, errno);
    }
}

long Recv(Socket *s, void *buf, size_t length)
{
    for (;;) {
        if (PollFor(s, POLLIN, receiveTimeoutMs.load()) <= 0)
            return -1;
        const ssize_t n = recv(s->fd, buf, length, 0);
        if (n >= 0)
            return n;
        if (errno != EINTR && errno != EAGAIN)
            return Failed(s, errno);
    }
}

int Error(const Socket *s)
{
    return s->error;
}

void Close(Socket *s)
{
    if (!s)
        return;
    close(s->fd);
    delete s;
}

} // namespace net

namespace net_host {

void SetTimeouts(int connectMs, int receiveMs)
{
    net::connectTimeoutMs.store(connectMs);
    net::receiveTimeoutMs.store(receiveMs);
}

void SetDownloadTimeout(int ms)
{
    net::downloadTimeoutMs.store(ms);
}

void SetIdleHook(IdleFn hook)
{
    net::idleHook = hook;
}

IdleFn IdleHook()
{
    return net::idleHook.load();
}

} // namespace net_host
