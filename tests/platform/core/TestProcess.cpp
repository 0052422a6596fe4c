#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
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

// Children of this process that the kernel still holds, ended or not.
static int Children()
{
    const std::string self = std::to_string(getpid());
    int children = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        std::getline(in, stat);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const size_t close = stat.rfind(')');
        char state = 0;
        std::string ppid;
        if (close != std::string::npos && (std::istringstream(stat.substr(close + 1)) >> state >> ppid) && ppid == self)
            children++;
    }
    return children;
}

void WaitForChildren()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Children() > 0) {
        if (std::chrono::steady_clock::now() > end) {
            ADD_FAILURE() << "a started program still runs after 30 s";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace testplat
