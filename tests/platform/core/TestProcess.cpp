#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/TestPlatform.h"

// What a test does to its own process: a file size limit that makes writes fail as on a full disk, and
// a wait for the programs it started. Both work on the real process, so the hosts keep no aids for them.

namespace testplat {

void LimitFileSize(long bytes)
{
    static const rlimit kStart = [] {
        rlimit start {};
        getrlimit(RLIMIT_FSIZE, &start);
        // Beyond the limit the kernel would end the process; the write is to fail instead.
        signal(SIGXFSZ, SIG_IGN);
        return start;
    }();
    rlimit limit = kStart;
    if (bytes >= 0)
        limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

// The program's collector threads may reap a child first; either way it is gone once none is left.
void WaitForChildren()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(-1, nullptr, WNOHANG) >= 0 || errno == EINTR) {
        if (std::chrono::steady_clock::now() > end) {
            ADD_FAILURE() << "a started program still runs after 30 s";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace testplat
