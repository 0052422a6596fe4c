#include "platform/autostart.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dos.h"
#include "platform/posix/Knobs.h"
#include "platform/posix/PosixDos.h"

// The desktop entry that starts Tavrin with the session, as XDG autostart reads it. Only
// its Exec and TryExec lines depend on where this program lies; TryExec lets the desktop pass over an
// entry whose program has been removed since.

namespace {

constexpr char kProgramName[] = "tavrin";
constexpr char kDeletedSuffix[] = " (deleted)"; // what the kernel adds once the file was replaced
constexpr char kKernelLink[] = "/proc/self/exe";
std::string gProgramLink = kKernelLink; // names the running program's file

std::string EntryFile()
{
    return posix_dos::ConfigHome() + "autostart/tavrin.desktop";
}

// The running program's file, or the one that an upgrade put in its place.
std::string ProgramFile()
{
    char buf[4096];
    const ssize_t n = readlink(gProgramLink.c_str(), buf, sizeof buf - 1);
    std::string file = n > 0 ? std::string(buf, size_t(n)) : std::string();
    const size_t cut = file.size() - std::min(file.size(), sizeof kDeletedSuffix - 1);
    if (access(file.c_str(), F_OK) != 0 && file.compare(cut, std::string::npos, kDeletedSuffix) == 0)
        file.erase(cut);
    return file;
}

// True when looking `name` up on PATH finds the file `self`. Relative entries are passed over: they
// would name other directories at login.
bool FoundOnPath(const char *name, const struct stat &self)
{
    const char *var = getenv("PATH");
    const std::string path = var ? var : "";
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string dir = path.substr(start, end - start);
        start = end + 1;
        if (dir.empty() || dir[0] != '/')
            continue;
        const std::string candidate = dir + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return st.st_dev == self.st_dev && st.st_ino == self.st_ino;
    }
    return false;
}

// UTF-8 without control characters: what a value of a desktop entry can hold.
bool FitsEntry(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i++]);
        if (lead < 0x20 || lead == 0x7f)
            return false;
        size_t more = lead < 0x80 ? 0 : lead >= 0xc2 && lead <= 0xdf ? 1 : lead >= 0xe0 && lead <= 0xef ? 2 : 3;
        if (lead >= 0x80 && (lead < 0xc2 || lead > 0xf4))
            return false;
        for (; more > 0; more--, i++) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xc0) != 0x80)
                return false;
        }
    }
    return true;
}

// A string value: the backslash is the one character escaped at this level.
std::string StringValue(const std::string &text)
{
    std::string value;
    for (char c : text)
        value += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return value;
}

// The program as the first word of the Exec key: in double quotes when it holds a reserved character,
// with `"`, '`', '$' and '\' escaped inside them; '%' is doubled everywhere, as field codes begin with it.
std::string ExecWord(const std::string &program)
{
    std::string word;
    for (char c : program) {
        if (c == '%')
            word += '%';
        else if (strchr("\"`$\\", c))
            word += '\\';
        word += c;
    }
    if (program.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string::npos)
        word = '"' + word + '"';
    return StringValue(word);
}

std::string EntryText(const std::string &program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tavrin\n"
           "Comment=News ticker for the Kestrel Review news site\n"
           "Comment[de]=Nachrichtenticker für die Kestrel Review Newsseite\n"
           "TryExec="
        + StringValue(program) + "\nExec=" + ExecWord(program)
        + " --workbench\n"
          "Icon=tavrin\n"
          "Terminal=false\n";
}

std::string DirOf(const std::string &file)
{
    return file.substr(0, file.rfind('/') + 1);
}

bool Fail(int code)
{
    dos::SetIoErr(code ? code : EIO);
    return false;
}

} // namespace

namespace autostart {

bool Exists()
{
    struct stat st;
    return lstat(EntryFile().c_str(), &st) == 0;
}

bool Enable()
{
    const std::string file = ProgramFile();
    struct stat self;
    if (file.empty() || stat(file.c_str(), &self) != 0)
        return Fail(errno ? errno : ENOENT);
    const std::string program = FoundOnPath(kProgramName, self) ? kProgramName : file;
    if (!FitsEntry(program))
        return Fail(EILSEQ);
    const std::string entry = EntryFile();
    if (!posix_dos::MakeDirs(DirOf(entry), 0700))
        return Fail(errno);
    dos::File *out = dos::Open(entry.c_str(), dos::MODE_NEWFILE);
    if (!out)
        return false;
    const std::string text = EntryText(program);
    dos::Write(out, text.data(), static_cast<int32_t>(text.size()));
    return dos::Close(out); // a short write fails here, and the old entry stays
}

bool Disable()
{
    if (unlink(EntryFile().c_str()) == 0 || errno == ENOENT)
        return true;
    return Fail(errno);
}

void EntryPath(char *buf, size_t size)
{
    snprintf(buf, size, "%s", EntryFile().c_str());
}

} // namespace autostart

void autostart_host::SetProgramLink(const char *path)
{
    gProgramLink = path ? path : kKernelLink;
}
