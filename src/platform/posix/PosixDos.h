#pragma once

// Helpers shared by the POSIX host's files (not part of the platform interface).

#include <string>
#include <sys/types.h>

namespace dos {
struct File;
}

namespace posix_dos {

// The host path of an Amiga path, or "" when its device is unassigned.
std::string Resolve(const char *amigaPath);
// mkdir -p.
bool MakeDirs(const std::string &dir, mode_t mode);
// RAM:, created private to the user; "" when it cannot be had or another user owns it.
std::string PrivateRamDir();
// The descriptor behind an open file, or -1.
int FileDescriptor(dos::File *file);
// The URL device: starts the desktop's URL handler for `address` ("NIL:" only checks that it exists)
// and returns a descriptor that reads nothing, or -1 with IoErr set.
int OpenUrl(const char *address);

} // namespace posix_dos
