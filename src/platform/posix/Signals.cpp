#include "platform/posix/Signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "platform/application.h"
#include "platform/host.h"

namespace {

int gPipe[2] = {-1, -1};
std::thread gReader;
// Handlers write signal numbers, so this byte can only come from Stop.
constexpr unsigned char kStopByte = 0;
std::atomic<exec::Task *> gTask {nullptr};
std::mutex gPortMutex;
exec::MsgPort *gQuitPort = nullptr;

void OnSignal(int sig)
{
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = write(gPipe[1], &byte, 1);
    errno = saved;
}

void Deliver(int sig)
{
    exec::Task *task = gTask.load();
    if (sig == SIGINT || sig == SIGTERM)
        exec_host::RequestQuit();
    switch (sig) {
    case SIGINT:
        exec::Signal(task, exec::SIGBREAKF_CTRL_C);
        break;
    case SIGUSR1:
        exec::Signal(task, exec::SIGBREAKF_CTRL_E);
        break;
    case SIGUSR2:
        exec::Signal(task, exec::SIGBREAKF_CTRL_F);
        break;
    case SIGTERM: {
        std::lock_guard<std::mutex> lock(gPortMutex);
        if (gQuitPort) {
            auto *msg = new exec::Message;
            msg->type = application::APPLIBMT_Quit;
            exec::PutMsg(gQuitPort, msg);
        } else {
            exec::Signal(task, exec::SIGBREAKF_CTRL_C);
        }
        break;
    }
    }
}

void Reader()
{
    unsigned char byte;
    for (;;) {
        ssize_t n = read(gPipe[0], &byte, 1);
        if (n == 1 && byte == kStopByte)
            return;
        if (n == 1)
            Deliver(byte);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

} // namespace

namespace posix_signals {

bool Install(exec::Task *task)
{
    gTask = task;
    if (gPipe[0] < 0) {
        if (pipe2(gPipe, O_CLOEXEC) != 0)
            return false;
        // A handler must never block, not even on a pipe that nobody reads any more.
        fcntl(gPipe[1], F_SETFL, O_NONBLOCK);
    }
    if (!gReader.joinable()) {
        gReader = std::thread(Reader);
        // An exit() that bypasses the shutdown (Qt's, when the X server goes away) must not destroy a
        // running thread: that aborts the program.
        static const bool stopsAtExit = std::atexit(Stop) == 0;
        (void)stopsAtExit;
    }
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGUSR1, SIGUSR2, SIGTERM})
        sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void SetQuitPort(exec::MsgPort *port)
{
    std::lock_guard<std::mutex> lock(gPortMutex);
    gQuitPort = port;
}

void Stop()
{
    if (!gReader.joinable())
        return;
    ssize_t n;
    do
        n = write(gPipe[1], &kStopByte, 1);
    while (n < 0 && errno == EINTR);
    gReader.join();
}

} // namespace posix_signals
