#include "platform/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int TICK_MS = 20;

sockaddr_in LoopbackAddress(uint16_t port)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

bool Readable(int fd, int timeoutMs)
{
    pollfd p {fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

} // namespace

LoopbackServer::LoopbackServer(Mode mode, std::string answer, uint16_t port)
    : mode_(mode)
    , answer_(std::move(answer))
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr = LoopbackAddress(port);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), len) != 0
        || getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0
        || (mode_ != Mode::Refusing && listen(fd, mode_ == Mode::Backlogged ? 0 : 4) != 0)) {
        close(fd);
        return;
    }
    listenFd_ = fd;
    port_ = ntohs(addr.sin_port);
    if (mode_ == Mode::Backlogged)
        fillQueue();
    else if (mode_ != Mode::Refusing)
        thread_ = std::thread(&LoopbackServer::serve, this);
}

LoopbackServer::~LoopbackServer()
{
    stop();
    for (int i = 0; i < fillerCount_; i++)
        close(fillers_[i]);
    if (listenFd_ >= 0)
        close(listenFd_);
}

// The short form of 127.0.0.1: with a five-digit port the long one no longer fits NEWSADR's 14 characters.
std::string LoopbackServer::address() const
{
    return "127.1:" + std::to_string(port_);
}

std::string LoopbackServer::request()
{
    stop();
    return request_;
}

void LoopbackServer::stop()
{
    stopping_.store(true);
    if (thread_.joinable())
        thread_.join();
}

void LoopbackServer::waitForStop() const
{
    while (!stopping_.load())
        poll(nullptr, 0, TICK_MS);
}

// Connects until a connect no longer completes: then the kernel drops further handshakes.
void LoopbackServer::fillQueue()
{
    while (fillerCount_ < 8) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        fillers_[fillerCount_++] = fd;
        const sockaddr_in addr = LoopbackAddress(port_);
        connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
        pollfd p {fd, POLLOUT, 0};
        if (poll(&p, 1, 200) == 0)
            return;
    }
}

void LoopbackServer::serve()
{
    int fd = -1;
    while (fd < 0 && !stopping_.load()) {
        if (Readable(listenFd_, TICK_MS))
            fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0)
        return;
    if (mode_ == Mode::CloseAtOnce)
        shutdown(fd, SHUT_WR);
    readRequest(fd);
    if (mode_ != Mode::CloseAtOnce)
        sendAnswer(fd);
    if (mode_ == Mode::Silent)
        waitForStop();
    close(fd);
}

void LoopbackServer::sendAnswer(int fd)
{
    for (size_t sent = 0; sent < answer_.size();) {
        const ssize_t n = send(fd, answer_.data() + sent, answer_.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

// Reads up to and including the empty line, or until the client closes or the server stops.
void LoopbackServer::readRequest(int fd)
{
    while (request_.find("\r\n\r\n") == std::string::npos && !stopping_.load()) {
        if (!Readable(fd, TICK_MS))
            continue;
        char buf[256];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request_.append(buf, static_cast<size_t>(n));
    }
}
