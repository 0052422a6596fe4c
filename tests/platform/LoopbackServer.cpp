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
    return {AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
}

} // namespace

LoopbackServer::LoopbackServer(Mode mode, std::string answer)
    : listenFd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in addr = LoopbackAddress(0);
    socklen_t len = sizeof addr;
    bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), len);
    getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (mode == Mode::Refusing)
        return;
    listen(listenFd_, mode == Mode::Backlogged ? 0 : 4);
    if (mode == Mode::Backlogged)
        fillQueue();
    else
        thread_ = std::thread(&LoopbackServer::serve, this, mode, std::move(answer));
}

LoopbackServer::~LoopbackServer()
{
    request();
    for (const int fd : fillers_)
        close(fd);
    close(listenFd_);
}

std::string LoopbackServer::request()
{
    stopping_.store(true);
    if (thread_.joinable())
        thread_.join();
    return request_;
}

// Connects until a connect no longer completes: then the kernel drops further handshakes.
void LoopbackServer::fillQueue()
{
    const sockaddr_in addr = LoopbackAddress(port_);
    while (fillers_.size() < 8) {
        pollfd p {socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0), POLLOUT, 0};
        fillers_.push_back(p.fd);
        connect(p.fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
        if (poll(&p, 1, 200) == 0)
            return;
    }
}

void LoopbackServer::serve(Mode mode, const std::string &answer)
{
    int fd = -1;
    for (pollfd p {listenFd_, POLLIN, 0}; fd < 0 && !stopping_.load();)
        if (poll(&p, 1, TICK_MS) > 0)
            fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (firstAccept_ == std::chrono::steady_clock::time_point {})
        firstAccept_ = std::chrono::steady_clock::now();
    if (mode == Mode::CloseAtOnce)
        shutdown(fd, SHUT_WR);
    readRequest(fd);
    // A blocking send gives all bytes to the kernel at once; after CloseAtOnce's shutdown it just fails.
    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    while (mode == Mode::Silent && !stopping_.load())
        poll(nullptr, 0, TICK_MS);
    while (mode == Mode::Drip && !stopping_.load() && dripped_.load() < 3000 && send(fd, "x", 1, MSG_NOSIGNAL) == 1) {
        dripped_++;
        poll(nullptr, 0, TICK_MS);
    }
    close(fd);
    if (mode == Mode::Repeat)
        serve(mode, answer);
}

// Reads up to and including the empty line, or until the client closes. It waits without a tick, so that
// what a client sent before it went is kept even when the server is stopped at once.
void LoopbackServer::readRequest(int fd)
{
    char buf[256];
    const size_t start = request_.size();
    while (request_.find("\r\n\r\n", start) == std::string::npos) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request_.append(buf, static_cast<size_t>(n));
    }
}
