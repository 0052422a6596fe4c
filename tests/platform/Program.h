#pragma once

// A program started through the shell, for the fault tests and the start bench, whose standard output
// is read as it comes. The shell runs it with exec, so the shell's number is the program's.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testplat {

class Program {
public:
    // `command` is a shell command line that starts with the program.
    explicit Program(const std::string &command)
        : out(popen(("echo $$; exec " + command).c_str(), "r"))
    {
        Await("\n");
        pid = std::atoi(seen.c_str());
    }
    ~Program()
    {
        Exit(SIGKILL);
        pclose(out);
    }
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Reads its output until `text` has come; false when the output ends first or `seconds` pass, so a
    // program that hangs fails its test at once and not at the test's time-out.
    bool Await(const std::string &text, int seconds = 20)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (seen.find(text) == std::string::npos) {
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd ready {fileno(out), POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, int(left.count())) == 0)
                return false;
            char chunk[4096];
            const ssize_t got = read(fileno(out), chunk, sizeof chunk);
            if (got == 0 || (got < 0 && errno != EINTR))
                return false;
            seen.append(chunk, size_t(std::max<ssize_t>(got, 0)));
        }
        return true;
    }
    // What it has printed so far, for the message of a failed test.
    const std::string &Output() const { return seen; }
    // Its exit code, or -1 when a signal ended it. Meanwhile it is sent `nagging` again and again, and
    // SIGKILL after 15 s (a guard against hanging: a sound program ends at once).
    int Exit(int nagging = 0)
    {
        int status = 0;
        rusage usage {};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        for (; pid > 0 && wait4(pid, &status, WNOHANG, &usage) == 0; poll(nullptr, 0, 1))
            kill(pid, std::chrono::steady_clock::now() > end ? SIGKILL : nagging);
        if (pid > 0)
            peakKb = usage.ru_maxrss;
        pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t pid = 0;
    long peakKb = 0; // its peak resident memory, once it has ended

private:
    FILE *out;
    std::string seen;
};

} // namespace testplat
