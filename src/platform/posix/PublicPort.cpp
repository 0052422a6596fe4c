// Public message ports: a Unix stream socket "RAM:<name>". One connection carries one message,
// whose name is the text up to the first newline; replying the message closes the connection.
// A listener thread per port reads from its clients side by side, puts one message at a time on the
// port and waits on a reply port of its own until the program has replied it.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/dos.h"
#include "platform/exec.h"
#include "platform/posix/Knobs.h"
#include "platform/posix/PosixDos.h"

namespace {

// Longest message name kept; the rest of a longer line is ignored.
constexpr size_t MaxNameLength = 255;
// How long a client may stay silent: before its first byte, and after it (clients such as
// `printf wakeup | nc -U` send no newline and keep the connection open).
std::atomic<int> gFirstByteTimeoutMs {1000};
constexpr int NextByteTimeoutMs = 100;
// Clients served at the same time.
constexpr size_t MaxClients = 64;

using Clock = std::chrono::steady_clock;

struct Listener {
    exec::MsgPort *port = nullptr;
    std::string path;
    ino_t inode = 0;
    int listenFd = -1;
    int wakeFd[2] = {-1, -1};
    std::thread thread;
    std::mutex mutex;
    std::condition_variable cond;
    bool stopping = false;
    bool released = false; // RemPort has replied the last message
};

std::mutex gListenersMutex;
std::vector<Listener *> gListeners;

void ReportError(const char *call, const std::string &path)
{
    std::fprintf(stderr, "Tavrin: public port %s: %s: %s\n", path.c_str(), call, std::strerror(errno));
}

bool MakeAddress(const std::string &path, sockaddr_un *addr)
{
    std::memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr->sun_path))
        return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A socket file nobody listens on is left from a run that died; a live one belongs to a running
// instance. Anything that is not a socket is never touched.
bool IsStaleSocket(const std::string &path, const sockaddr_un &addr)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int rc = connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr));
    bool stale = rc != 0 && errno == ECONNREFUSED;
    close(fd);
    return stale;
}

int BindListener(const std::string &path, ino_t *inode)
{
    sockaddr_un addr;
    if (!MakeAddress(path, &addr)) {
        errno = ENAMETOOLONG;
        ReportError("bind", path);
        return -1;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ReportError("socket", path);
        return -1;
    }
    int rc = bind(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr));
    if (rc != 0 && errno == EADDRINUSE && IsStaleSocket(path, addr)) {
        unlink(path.c_str());
        rc = bind(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr));
    }
    // Only the user may connect, also in a shared directory that RAM: was assigned to.
    struct stat st;
    if (rc != 0 || chmod(path.c_str(), 0600) != 0 || listen(fd, static_cast<int>(MaxClients)) != 0
        || stat(path.c_str(), &st) != 0) {
        if (errno != EADDRINUSE)
            ReportError("bind", path);
        close(fd);
        return -1;
    }
    *inode = st.st_ino;
    return fd;
}

// A connection whose message name is still coming in.
struct Client {
    int fd;
    std::string name;
    bool complete;
    Clock::time_point deadline; // for its next byte
};

// Takes what the client has sent. The name is complete at the first newline or NUL, at the end of
// its data, or when it is full; silence is judged by the caller.
void ReadName(Client &c)
{
    char buf[MaxNameLength];
    const ssize_t n = read(c.fd, buf, MaxNameLength - c.name.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        c.complete = true;
        return;
    }
    char *end = std::find_if(buf, buf + n, [](char ch) { return ch == '\n' || ch == '\0'; });
    c.name.append(buf, end);
    c.complete = end != buf + n || c.name.size() >= MaxNameLength;
    c.deadline = Clock::now() + std::chrono::milliseconds(NextByteTimeoutMs);
}

// Takes what the client sent beyond the name, so that closing does not reset the connection.
void DiscardInput(int conn)
{
    char buf[4096];
    for (int i = 0; i < 16; i++) {
        if (recv(conn, buf, sizeof(buf), MSG_DONTWAIT) <= 0)
            break;
    }
}

exec::Message *NewNamedMessage(const std::string &name, exec::MsgPort *replyPort)
{
    auto *msg = new exec::Message;
    msg->mn_ReplyPort = replyPort;
    if (!name.empty()) {
        msg->mn_Node.ln_Name = new char[name.size() + 1];
        std::memcpy(msg->mn_Node.ln_Name, name.c_str(), name.size() + 1);
    }
    return msg;
}

void DeleteNamedMessage(exec::Message *msg)
{
    delete[] msg->mn_Node.ln_Name;
    delete msg;
}

// The thread's task must outlive the program's last signal to it, which RemPort sends when it
// replies what is still queued.
void WaitUntilReleased(Listener *l)
{
    std::unique_lock<std::mutex> lock(l->mutex);
    l->cond.wait(lock, [l] { return l->released; });
}

// Hands one message to the program and waits until it is replied. False when the port is being
// removed before the message could be put.
bool Deliver(Listener *l, exec::Message *msg, exec::MsgPort *replyPort)
{
    {
        std::lock_guard<std::mutex> lock(l->mutex);
        if (l->stopping)
            return false;
        exec::PutMsg(l->port, msg);
    }
    // RemPort replies what is still queued, so this wait always ends.
    for (;;) {
        exec::Wait(exec::PortSigMask(replyPort));
        if (exec::GetMsg(replyPort))
            return true;
    }
}

// Milliseconds until the first client falls silent for too long; -1 without clients.
int MsUntilFirstDeadline(const std::vector<Client> &clients)
{
    if (clients.empty())
        return -1;
    auto first = clients.front().deadline;
    for (const Client &c : clients)
        first = std::min(first, c.deadline);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// Delivers the message of each client that has finished or fallen silent, and lets it go. False when
// the port is being removed.
bool DeliverFinished(Listener *l, std::vector<Client> &clients, exec::MsgPort *replyPort)
{
    const auto now = Clock::now();
    for (auto it = clients.begin(); it != clients.end();) {
        if (!it->complete && now < it->deadline) {
            ++it;
            continue;
        }
        exec::Message *msg = NewNamedMessage(it->name, replyPort);
        const bool delivered = Deliver(l, msg, replyPort);
        DeleteNamedMessage(msg);
        DiscardInput(it->fd);
        close(it->fd);
        it = clients.erase(it);
        if (!delivered)
            return false;
    }
    return true;
}

// Serves many clients side by side, so that silent ones never hold up a "wakeup". Ends when RemPort
// wakes it (or the listening socket fails: the port is then deaf).
void Serve(Listener *l)
{
    exec::MsgPort *replyPort = exec::CreatePort();
    if (!replyPort) {
        std::fprintf(stderr, "Tavrin: public port %s: no signal for the reply port\n", l->path.c_str());
        return;
    }
    std::vector<Client> clients;
    for (bool serving = true; serving;) {
        // More clients wait in the listening queue until some have gone.
        const int listenFd = clients.size() < MaxClients ? l->listenFd : -1;
        std::vector<pollfd> fds = {{l->wakeFd[0], POLLIN, 0}, {listenFd, POLLIN, 0}};
        for (const Client &c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), MsUntilFirstDeadline(clients)) < 0 && errno != EINTR)
            break;
        if (fds[0].revents || (fds[1].revents & (POLLERR | POLLNVAL)))
            break;
        for (size_t i = 0; i < clients.size(); i++) {
            if (fds[i + 2].revents)
                ReadName(clients[i]);
        }
        if (fds[1].revents & POLLIN) {
            const int conn = accept4(l->listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (conn >= 0)
                clients.push_back(
                    {conn, {}, false, Clock::now() + std::chrono::milliseconds(gFirstByteTimeoutMs.load())});
        }
        serving = DeliverFinished(l, clients, replyPort);
    }
    for (const Client &c : clients)
        close(c.fd);
    WaitUntilReleased(l);
    exec::DeletePort(replyPort);
}

std::string PortPath(const char *name)
{
    // RAM: is made private to the user on first use.
    if (posix_dos::PrivateRamDir().empty())
        return {};
    std::string devicePath = std::string("RAM:") + name;
    char path[4096];
    if (!dos::ResolvePath(devicePath.c_str(), path, sizeof(path)))
        return {};
    return path;
}

void CloseListener(Listener *l)
{
    if (l->listenFd >= 0)
        close(l->listenFd);
    for (int fd : l->wakeFd) {
        if (fd >= 0)
            close(fd);
    }
    delete l;
}

} // namespace

namespace exec {

bool AddPort(MsgPort *port, const char *name)
{
    if (!port || !name || !*name || std::strchr(name, '/'))
        return false;
    auto *l = new Listener;
    l->port = port;
    l->path = PortPath(name);
    if (l->path.empty() || pipe2(l->wakeFd, O_CLOEXEC) != 0 || (l->listenFd = BindListener(l->path, &l->inode)) < 0) {
        CloseListener(l);
        return false;
    }
    // The listener must never take the process's signals: their handlers belong to the program task.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    l->thread = std::thread(Serve, l);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);

    std::lock_guard<std::mutex> lock(gListenersMutex);
    gListeners.push_back(l);
    return true;
}

void RemPort(MsgPort *port)
{
    Listener *l = nullptr;
    {
        std::lock_guard<std::mutex> lock(gListenersMutex);
        auto it = std::find_if(gListeners.begin(), gListeners.end(), [&](Listener *x) { return x->port == port; });
        if (it == gListeners.end())
            return;
        l = *it;
        gListeners.erase(it);
    }
    {
        std::lock_guard<std::mutex> lock(l->mutex);
        l->stopping = true;
    }
    ssize_t rc;
    do
        rc = write(l->wakeFd[1], "", 1);
    while (rc < 0 && errno == EINTR);
    // A message still queued is replied so that its client is let go.
    while (Message *msg = GetMsg(port))
        ReplyMsg(msg);
    {
        std::lock_guard<std::mutex> lock(l->mutex);
        l->released = true;
        l->cond.notify_all();
    }
    l->thread.join();

    // Another instance may have taken over the name meanwhile; only our own file is removed.
    struct stat st;
    if (lstat(l->path.c_str(), &st) == 0 && st.st_ino == l->inode)
        unlink(l->path.c_str());
    CloseListener(l);
}

} // namespace exec

namespace port_host {

void SetFirstByteTimeout(int ms)
{
    gFirstByteTimeoutMs = ms;
}

} // namespace port_host
