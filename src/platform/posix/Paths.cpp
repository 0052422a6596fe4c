#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dos.h"
#include "platform/posix/PosixDos.h"

// Amiga devices mapped onto the Linux file system. Every file name the program uses comes
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
    const char *config = getenv("XDG_CONFIG_HOME");
    if (config && *config)
        return WithSlash(config) + "tavrin/";
    const char *home = getenv("HOME");
    return WithSlash(home ? home : ".") + ".config/tavrin/";
}

std::string ShareDir()
{
    return Parent(ExeDir()) + "/share/tavrin";
}

// The host directory of a device without its trailing path, or "" when it is unassigned.
std::string DeviceDir(const std::string &upper)
{
    std::string var = "TAVRIN_ASSIGN_" + upper;
    if (const char *over = getenv(var.c_str()); over && *over)
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

} // namespace

namespace dos {

bool ResolvePath(const char *amigaPath, char *out, size_t outSize)
{
    std::string path(amigaPath ? amigaPath : "");
    std::string host;
    auto colon = path.find(':');
    if (colon == std::string::npos) {
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

std::string Resolve(const char *amigaPath)
{
    char buf[4096];
    return dos::ResolvePath(amigaPath, buf, sizeof(buf)) ? std::string(buf) : std::string();
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

std::string PrivateRamDir()
{
    std::string ram = Resolve("RAM:");
    if (ram.empty())
        return ram;
    if (!MakeDirs(ram, 0700))
        return std::string();
    struct stat st;
    if (stat(ram.c_str(), &st) != 0 || st.st_uid != getuid()) {
        dos::SetIoErr(EACCES);
        return std::string();
    }
    chmod(ram.c_str(), 0700);
    return ram;
}

} // namespace posix_dos
