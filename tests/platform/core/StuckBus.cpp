#include "platform/StuckBus.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace testplat {

StuckBus::StuckBus(Mode mode)
{
    const std::string socketPath = m_dir.file("bus");
    m_address = "unix:path=" + socketPath;
    if (mode == Mode::Working) {
        const std::string listen = "--address=" + m_address;
        const char *argv[] = {"dbus-daemon", "--session", "--nofork", "--nopidfile", listen.c_str(), nullptr};
        if (posix_spawnp(&m_daemon, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
            m_address.clear();
        // Listening once the socket is there.
        for (int i = 0; i < 500 && m_daemon > 0 && !FileExists(socketPath); i++)
            usleep(10000);
        return;
    }
    m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr {AF_UNIX, {}};
    strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    listen(m_listener, 16);
    if (mode == Mode::NoHello)
        m_thread = std::thread(&StuckBus::AnswerOnlyTheAuthentication, this);
}

StuckBus::~StuckBus()
{
    if (m_daemon > 0) {
        kill(m_daemon, SIGKILL);
        waitpid(m_daemon, nullptr, 0);
    }
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        close(m_listener);
}

// Takes every connection and answers its authentication, then nothing more; the client speaks first.
void StuckBus::AnswerOnlyTheAuthentication()
{
    std::vector<int> clients;
    pollfd listener {m_listener, POLLIN, 0};
    while (!m_stop) {
        if (poll(&listener, 1, 20) <= 0)
            continue;
        clients.push_back(accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC));
        std::string heard;
        char buf[256];
        ssize_t n = 1;
        // A client that connects and says nothing must not hold up the end of the bus.
        pollfd client {clients.back(), POLLIN, 0};
        while (n > 0 && heard.find("AUTH") == std::string::npos && !m_stop && poll(&client, 1, 20) >= 0) {
            if (!(client.revents & (POLLIN | POLLHUP)))
                continue;
            n = read(clients.back(), buf, sizeof buf);
            heard.append(buf, size_t(std::max(n, ssize_t(0))));
        }
        const char ok[] = "OK 0123456789abcdef0123456789abcdef\r\n";
        if (heard.find("AUTH") != std::string::npos)
            send(clients.back(), ok, sizeof ok - 1, MSG_NOSIGNAL);
    }
    for (int fd : clients)
        close(fd);
}

} // namespace testplat
