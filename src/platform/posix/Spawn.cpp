#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <strings.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/dos.h"
#include "platform/posix/PosixDos.h"
#include "platform/posix/SessionBus.h"

// Programs that the ticker starts (the browser, the desktop's URL handler) run on their own: no shell
// reads their arguments, they get default signal handling and a session of their own, and a small
// thread per program collects its exit so that none lingers as a zombie. They get the session bus's
// address as it was, even where the ticker found that bus mute.

namespace {

constexpr char UrlHandler[] = "xdg-open";

void Collect(pid_t pid)
{
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
    }).detach();
}

std::vector<std::string> Words(const char *command)
{
    std::vector<std::string> words;
    std::string word;
    for (const char *p = command; *p; p++) {
        if (*p == ' ' || *p == '\t' || *p == '\n') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

// The ticker ignores SIGPIPE and catches the quit and wake-up signals; a started program must not
// inherit any of that.
void PrepareAttributes(posix_spawnattr_t *attr)
{
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGUSR1, SIGUSR2, SIGCHLD})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(attr, &none);
    posix_spawnattr_setsigdefault(attr, &defaults);
    posix_spawnattr_setflags(attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
}

// Starts `words` with the three descriptors as its standard input, output and error; false with
// IoErr set when it cannot be started.
bool Spawn(const std::vector<std::string> &words, int in, int out, int err)
{
    std::vector<char *> argv;
    for (const std::string &word : words)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    PrepareAttributes(&attr);

    std::vector<std::string> storage;
    std::vector<char *> env = session_bus::ChildEnvironment(&storage);
    pid_t pid;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), env.data());
    if (rc == 0)
        Collect(pid);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        dos::SetIoErr(rc);
    return rc == 0;
}

bool OnPath(const char *name)
{
    const char *path = getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    for (;;) {
        const size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

} // namespace

namespace posix_dos {

int OpenUrl(const char *address)
{
    if (!OnPath(UrlHandler)) {
        dos::SetIoErr(ENOENT);
        return -1;
    }
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) {
        dos::SetIoErr(errno);
        return -1;
    }
    // The handler's complaints go where the ticker's own errors go.
    if (strcasecmp(address, "NIL:") != 0 && !Spawn({UrlHandler, address}, null, null, STDERR_FILENO)) {
        close(null);
        return -1;
    }
    return null;
}

} // namespace posix_dos

namespace dos {

int32_t SystemTags(const char *command, const char *argument, File *input, File *output)
{
    std::vector<std::string> words = Words(command ? command : "");
    const int in = posix_dos::FileDescriptor(input), out = posix_dos::FileDescriptor(output);
    bool started = false;
    if (in < 0 || out < 0) {
        SetIoErr(EBADF);
    } else if (words.empty()) {
        SetIoErr(ENOENT);
    } else {
        words.emplace_back(argument ? argument : "");
        started = Spawn(words, in, out, out);
    }
    const int32_t code = IoErr();
    Close(input);
    Close(output);
    SetIoErr(code);
    return started ? 0 : -1;
}

} // namespace dos
