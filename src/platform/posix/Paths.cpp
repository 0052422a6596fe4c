#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/application.h"
#include "platform/dos.h"
#include "platform/posix/PosixDos.h"

// Device names mapped onto the Linux file system. Every file name the program uses comes
// through here, so TAVRIN_ASSIGN_<DEVICE> redirects any of them (the tests rely on that).

namespace {

std::string ExeDir()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return ".";
    buf[n] = 0;
    std::string path(buf);
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Parent(const std::string &dir)
{
    auto slash = dir.rfind('/');
    return (slash == std::string::npos || slash == 0) ? std::string("/") : dir.substr(0, slash);
}

bool IsDir(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

std::string DefaultRam()
{
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return WithSlash(runtime) + "tavrin/";
    return "/tmp/tavrin-" + std::to_string(getuid()) + "/";
}

std::string DefaultEnvarc()
{
    return posix_dos::ConfigHome() + "tavrin/";
}

std::string ShareDir()
{
    return Parent(ExeDir()) + "/share/tavrin";
}

// The directory the user assigned to a device, or null.
const char *Assignment(const std::string &upper)
{
    const char *over = getenv(("TAVRIN_ASSIGN_" + upper).c_str());
    return over && *over ? over : nullptr;
}

// The host directory of a device without its trailing path, or "" when it is unassigned.
std::string DeviceDir(const std::string &upper)
{
    if (const char *over = Assignment(upper))
        return WithSlash(over);
    if (upper == "ENVARC")
        return DefaultEnvarc();
    if (upper == "RAM")
        return DefaultRam();
    if (upper == "ENV")
        return DeviceDir("RAM") + "env/";
    if (upper == "T")
        return DeviceDir("RAM") + "t/";
    if (upper == "PROGDIR")
        return WithSlash(ExeDir());
    if (upper == "TAVRIN")
        return IsDir(ShareDir()) ? WithSlash(ShareDir()) : std::string();
    if (upper == "LOCALE")
        return WithSlash(ShareDir()) + "locale/";
    return std::string();
}

struct RamProblem {
    application::RegisterError error;
    const char *text; // null when there is none
};

// Creates `dir` private to the user, or checks the one that is there without following a link, and
// makes it private. Returns what is wrong with it.
RamProblem MakePrivateDir(const std::string &dir)
{
    const std::string path = dir.substr(0, dir.find_last_not_of('/') + 1); // a trailing slash follows links
    posix_dos::MakeDirs(Parent(path), 0700);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return {application::REGERR_RamUnusable, "cannot be created"};
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return {application::REGERR_RamIsLink, "is a symbolic link"};
    // What is checked is what was opened, whatever replaces the name meanwhile.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {application::REGERR_RamUnusable,
            errno == ENOTDIR || errno == ELOOP ? "is no directory" : "cannot be opened"};
    RamProblem problem {application::REGERR_None, nullptr};
    if (fstat(fd, &st) != 0 || st.st_uid != getuid())
        problem = {application::REGERR_RamForeign, "belongs to another user"};
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        problem = {application::REGERR_RamShared, "may be written by others"};
    else if ((st.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0)
        problem = {application::REGERR_RamUnusable, "cannot be made private"};
    close(fd);
    return problem;
}

} // namespace

namespace dos {

bool ResolvePath(const char *devicePath, char *out, size_t outSize)
{
    std::string path(devicePath ? devicePath : "");
    std::string host;
    auto colon = path.find(':');
    // A device name holds no '/': "/home/me/a:b/x.wav" and "skins/a:b" are host paths.
    if (colon == std::string::npos || path.find('/') < colon) {
        host = path;
    } else {
        std::string upper;
        for (char c : path.substr(0, colon))
            upper += static_cast<char>(toupper(static_cast<unsigned char>(c)));
        std::string rest = path.substr(colon + 1);
        if (upper == "NIL") {
            host = "/dev/null";
        } else {
            std::string dir = DeviceDir(upper);
            if (dir.empty()) {
                SetIoErr(ENOENT);
                return false;
            }
            host = dir + rest;
        }
    }
    if (host.empty())
        host = ".";
    if (host.size() + 1 > outSize) {
        SetIoErr(ENAMETOOLONG);
        return false;
    }
    memcpy(out, host.c_str(), host.size() + 1);
    return true;
}

} // namespace dos

namespace posix_dos {

std::string Resolve(const char *devicePath)
{
    char buf[4096];
    return dos::ResolvePath(devicePath, buf, sizeof(buf)) ? std::string(buf) : std::string();
}

// A relative XDG_CONFIG_HOME is ignored, as the desktop ignores it: it would name another directory
// for every working directory.
std::string ConfigHome()
{
    const char *config = getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return WithSlash(config);
    const char *home = getenv("HOME");
    return WithSlash(home ? home : ".") + ".config/";
}

bool MakeDirs(const std::string &dir, mode_t mode)
{
    if (dir.empty() || IsDir(dir))
        return true;
    std::string parent = Parent(dir.back() == '/' ? dir.substr(0, dir.size() - 1) : dir);
    if (parent != dir && !MakeDirs(parent, mode))
        return false;
    return mkdir(dir.c_str(), mode) == 0 || errno == EEXIST;
}

std::string PrivateRamDir(application::RegisterError *why)
{
    std::string ram = Resolve("RAM:");
    if (why)
        *why = application::REGERR_RamUnusable;
    if (ram.empty())
        return ram;
    // An assigned directory is the user's choice and is used as it is, even a shared one (mode 1777).
    if (Assignment("RAM")) {
        if (MakeDirs(ram, 0700) && IsDir(ram))
            return ram;
        dos::SetIoErr(errno ? errno : ENOTDIR);
        return std::string();
    }
    // The default one may lie in /tmp, where another user could have put a link or a directory of
    // his own, to make us place our lock, socket and files where he wants.
    if (const RamProblem problem = MakePrivateDir(ram); problem.text) {
        // Every user of RAM: asks; the one that reports a refusal (registration) explains it.
        if (why)
            std::fprintf(stderr,
                "Tavrin: %s %s; RAM: is not used. Remove it or assign RAM: elsewhere "
                "(TAVRIN_ASSIGN_RAM).\n",
                ram.c_str(), problem.text);
        dos::SetIoErr(EACCES);
        if (why)
            *why = problem.error;
        return std::string();
    }
    return ram;
}

} // namespace posix_dos
