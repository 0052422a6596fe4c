#pragma once

// Helpers shared by the POSIX host's files (not part of the platform interface).

#include <string>
#include <sys/types.h>

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
// RAM:, or "" when it cannot be had. The default directory is created private to the user (0700)
// and refused, with a message, when it is a link, another user's or writable by others; an assigned
// one is used as it is.
std::string PrivateRamDir();
// The descriptor behind an open file, or -1.
int FileDescriptor(dos::File *file);
// The URL device: starts the desktop's URL handler for `address` ("NIL:" only checks that it exists)
// and returns a descriptor that reads nothing, or -1 with IoErr set.
int OpenUrl(const char *address);

} // namespace posix_dos
