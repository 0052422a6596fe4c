#include "platform/StuckBus.h"

#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace testplat {

StuckBus::StuckBus(Mode mode)
{
    const std::string socketPath = m_dir.file("bus");
    if (mode == Mode::Stopped || mode == Mode::Working) {
        const std::string listen = "--address=unix:path=" + socketPath;
        const char *argv[] = {"dbus-daemon", "--session", "--nofork", "--nopidfile", listen.c_str(), nullptr};
        if (posix_spawnp(&m_daemon, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
            return;
        // Listening once the socket is there.
        for (int i = 0; i < 500 && !FileExists(socketPath); i++)
            usleep(10000);
        if (mode == Mode::Stopped)
            kill(m_daemon, SIGSTOP);
    } else {
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr {AF_UNIX, {}};
        strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
        bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        listen(m_listener, 16);
        m_thread = std::thread(&StuckBus::Serve, this, mode == Mode::NoHello);
    }
    m_address = "unix:path=" + socketPath;
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

// Takes every connection and reads what comes; answers nothing, or only the authentication.
void StuckBus::Serve(bool answerAuth)
{
    std::vector<pollfd> fds {{m_listener, POLLIN, 0}};
    while (!m_stop) {
        if (poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            fds.push_back({accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC), POLLIN, 0});
        for (size_t i = 1; i < fds.size(); i++) {
            char buf[4096];
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0 && answerAuth && memmem(buf, size_t(n), "AUTH", 4)) {
                const char ok[] = "OK 0123456789abcdef0123456789abcdef\r\n";
                [[maybe_unused]] ssize_t w = write(fds[i].fd, ok, sizeof ok - 1);
            }
            if (n <= 0)
                fds[i].fd = -fds[i].fd - 1; // poll skips it from now on
        }
    }
    for (size_t i = 1; i < fds.size(); i++)
        close(fds[i].fd >= 0 ? fds[i].fd : -fds[i].fd - 1);
}

} // namespace testplat
