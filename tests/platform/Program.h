#pragma once

// A program started through the shell, for the fault tests and the start bench, whose standard output
// is read as it comes. The shell runs it with exec, so the shell's number is the program's.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

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

    // Reads its output until `text` has come; false when the output ends first. A program that hangs
    // silently meets the caller's time-out.
    bool Await(const std::string &text)
    {
        for (char line[4096]; seen.find(text) == std::string::npos; seen += line)
            if (!fgets(line, sizeof line, out))
                return false;
        return true;
    }
    // Its exit code, or -1 when a signal ended it. Meanwhile it is sent `nagging` again and again, and
    // SIGKILL after 30 s (a guard against hanging: a sound program ends at once).
    int Exit(int nagging = 0)
    {
        int status = 0;
        rusage usage {};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
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
