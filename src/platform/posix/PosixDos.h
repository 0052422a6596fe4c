#pragma once

// Helpers shared by the POSIX host's files (not part of the platform interface).

#include <chrono>
#include <string>
#include <sys/types.h>

#include "platform/application.h"

namespace dos {
struct File;
}

namespace posix_dos {

// The host path of a path with a device name, or "" when its device is unassigned.
std::string Resolve(const char *devicePath);
// The user's configuration directory with a trailing slash: $XDG_CONFIG_HOME, else ~/.config/.
std::string ConfigHome();
// mkdir -p.
bool MakeDirs(const std::string &dir, mode_t mode);
// RAM:, or "" when it cannot be had, with `why` set. The default directory is created private to the
// user (0700) and refused when it is a link, another user's or writable by others, with a message on
// standard error when `why` is asked for; an assigned one is used as it is.
std::string PrivateRamDir(application::RegisterError *why = nullptr);
// Opens a host path without waiting (a FIFO would wait for its other end for ever) and keeps it only
// when it is of `type` (S_IFREG, S_IFCHR, ...), so a FIFO or device named where a file belongs can
// neither hang the program nor feed it without end. The descriptor, blocking from here on, or -1 with
// errno set (EISDIR for a directory, EINVAL for another wrong type).
int OpenOfType(const std::string &host, int flags, mode_t type);
// Waits until `fd` has one of `events` (poll's), but not past `deadline` and not while a quit is pending.
enum class Wait { Ready, TimedOut, Quit, Failed };
Wait WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline);
// The descriptor behind an open file, or -1.
int FileDescriptor(dos::File *file);
// The URL device: starts the desktop's URL handler for `address` ("NIL:" only checks that it exists)
// and returns a descriptor that reads nothing, or -1 with IoErr set.
int OpenUrl(const char *address);

} // namespace posix_dos
