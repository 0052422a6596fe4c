#include "platform/dos.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/PosixDos.h"

namespace {

thread_local int32_t tIoErr = 0;

bool UnderRam(const std::string &host)
{
    std::string ram = posix_dos::Resolve("RAM:");
    return !ram.empty() && host.compare(0, ram.size(), ram) == 0;
}

std::string DirOf(const std::string &path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool IsRegularOrMissing(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

} // namespace

namespace posix_dos {

int OpenOfType(const std::string &host, int flags, mode_t type)
{
    const int fd = open(host.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (fstat(fd, &st) != 0 || (st.st_mode & S_IFMT) != type) {
        const bool isDir = S_ISDIR(st.st_mode);
        close(fd);
        errno = isDir ? EISDIR : EINVAL;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace posix_dos

// A file opened for writing goes to a temporary file beside its target and replaces the
// target only when Close succeeds, so a crash or a full disk never leaves it half written.
struct dos::File {
    int fd = -1;
    bool writing = false;
    bool failed = false;
    std::string target;
    std::string temp; // empty when writing in place (devices such as NIL:)
};

struct dos::Lock {
    std::string path;
};

namespace dos {

int32_t IoErr()
{
    return tIoErr;
}
void SetIoErr(int32_t code)
{
    tIoErr = code;
}

static File *OpenForWriting(const std::string &host)
{
    std::string dir = DirOf(host);
    if (!posix_dos::MakeDirs(dir, UnderRam(host) ? 0700 : 0755)
        || (UnderRam(host) && posix_dos::PrivateRamDir().empty())) {
        SetIoErr(errno ? errno : EACCES);
        return nullptr;
    }
    auto *file = new File;
    file->writing = true;
    file->target = host;
    if (!IsRegularOrMissing(host)) {
        // NIL: is an empty source as much as a sink: a program started with it as input reads its end.
        file->fd = posix_dos::OpenOfType(host, host == "/dev/null" ? O_RDWR : O_WRONLY, S_IFCHR); // written in place
    } else {
        std::string tmpl = host + ".XXXXXX";
        std::string buf = tmpl;
        file->fd = mkostemp(buf.data(), O_CLOEXEC);
        if (file->fd >= 0) {
            file->temp = buf;
            mode_t mask = umask(0);
            umask(mask);
            fchmod(file->fd, 0666 & ~mask);
        }
    }
    if (file->fd < 0) {
        SetIoErr(errno);
        delete file;
        return nullptr;
    }
    return file;
}

static File *OpenUrl(const char *address)
{
    const int fd = posix_dos::OpenUrl(address);
    if (fd < 0)
        return nullptr;
    auto *file = new File;
    file->fd = fd;
    file->target = "/dev/null";
    return file;
}

File *Open(const char *name, int32_t mode)
{
    if (name && strncasecmp(name, "URL:", 4) == 0)
        return OpenUrl(name + 4);
    std::string host = posix_dos::Resolve(name);
    if (host.empty()) {
        SetIoErr(ENOENT);
        return nullptr;
    }
    if (mode == MODE_NEWFILE)
        return OpenForWriting(host);
    int fd = posix_dos::OpenOfType(host, O_RDONLY, S_IFREG);
    if (fd < 0) {
        SetIoErr(errno);
        return nullptr;
    }
    auto *file = new File;
    file->fd = fd;
    file->target = host;
    return file;
}

int32_t Read(File *file, void *buf, int32_t length)
{
    if (!file || file->writing || length < 0)
        return -1;
    int32_t done = 0;
    while (done < length) {
        ssize_t n = read(file->fd, static_cast<char *>(buf) + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetIoErr(errno);
            return done ? done : -1;
        }
        if (n == 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t Write(File *file, const void *buf, int32_t length)
{
    if (!file || !file->writing || length < 0)
        return -1;
    int32_t done = 0;
    int error = 0;
    while (done < length && !error) {
        ssize_t n = write(file->fd, static_cast<const char *>(buf) + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            done += static_cast<int32_t>(n);
        else
            error = n < 0 ? errno : ENOSPC;
    }
    if (error) {
        file->failed = true;
        SetIoErr(error);
        return done ? done : -1;
    }
    return done;
}

bool Close(File *file)
{
    if (!file)
        return false;
    bool ok = true;
    if (file->writing && !file->temp.empty()) {
        ok = !file->failed && fsync(file->fd) == 0;
        ok = (close(file->fd) == 0) && ok;
        if (ok && rename(file->temp.c_str(), file->target.c_str()) != 0)
            ok = false;
        if (!ok) {
            SetIoErr(errno ? errno : EIO);
            unlink(file->temp.c_str());
        }
    } else {
        ok = close(file->fd) == 0 && !file->failed;
    }
    delete file;
    return ok;
}

Lock *LockShared(const char *name)
{
    std::string host = posix_dos::Resolve(name);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0) {
        SetIoErr(host.empty() ? ENOENT : errno);
        return nullptr;
    }
    char real[PATH_MAX];
    return new Lock {realpath(host.c_str(), real) ? std::string(real) : host};
}

void UnLock(Lock *lock)
{
    delete lock;
}

Lock *SetCurrentDir(Lock *lock)
{
    char cwd[PATH_MAX];
    Lock *old = getcwd(cwd, sizeof(cwd)) ? new Lock {cwd} : nullptr;
    if (lock && chdir(lock->path.c_str()) != 0)
        SetIoErr(errno);
    return old;
}

// Owned by the system: resolved anew on each call, never unlocked.
Lock *GetProgramDir()
{
    static Lock progDir;
    Lock *fresh = LockShared("PROGDIR:");
    if (!fresh)
        return nullptr;
    progDir.path = fresh->path;
    UnLock(fresh);
    return &progDir;
}

bool DevNameFromLock(Lock *lock, char *buf, size_t size)
{
    if (!lock || lock->path.size() + 1 > size)
        return false;
    memcpy(buf, lock->path.c_str(), lock->path.size() + 1);
    return true;
}

bool AddPart(char *path, const char *part, size_t size)
{
    size_t len = strlen(path);
    if (strchr(part, ':')) {
        len = 0; // an absolute part replaces the path
    }
    bool sep = len > 0 && path[len - 1] != ':' && path[len - 1] != '/';
    size_t need = len + (sep ? 1 : 0) + strlen(part) + 1;
    if (need > size)
        return false;
    if (sep)
        path[len++] = '/';
    strcpy(path + len, part);
    return true;
}

static bool WriteVarFile(const std::string &device, const char *name, const char *value, int32_t size)
{
    File *file = Open((device + name).c_str(), MODE_NEWFILE);
    if (!file)
        return false;
    int32_t len = size < 0 ? static_cast<int32_t>(strlen(value)) : size;
    Write(file, value, len);
    return Close(file);
}

bool SetVar(const char *name, const char *value, int32_t size, uint32_t flags)
{
    bool ok = WriteVarFile("ENV:", name, value, size);
    if (flags & GVF_SAVE_VAR)
        ok = WriteVarFile("ENVARC:", name, value, size) && ok;
    return ok;
}

int32_t Fault(int32_t code, const char *header, char *buf, int32_t length)
{
    if (!buf || length <= 0)
        return 0;
    const char *text = code == DTERROR_UNKNOWN_DATATYPE ? "unknown or damaged file format" : strerror(code);
    int n = header ? snprintf(buf, static_cast<size_t>(length), "%s: %s", header, text)
                   : snprintf(buf, static_cast<size_t>(length), "%s", text);
    return n < 0 ? 0 : (n >= length ? length - 1 : n);
}

int32_t Printf(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = vprintf(fmt, ap);
    va_end(ap);
    fflush(stdout);
    return n;
}

int32_t PutStr(const char *text)
{
    int n = fputs(text, stdout);
    fflush(stdout);
    return n < 0 ? -1 : 0;
}

} // namespace dos

namespace posix_dos {

int FileDescriptor(dos::File *file)
{
    return file ? file->fd : -1;
}

} // namespace posix_dos
