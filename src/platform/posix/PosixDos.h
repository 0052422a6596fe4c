#pragma once

// Helpers shared by the POSIX host's files (not part of the platform interface).

#include <string>
#include <sys/types.h>

namespace posix_dos {

// The host path of an Amiga path, or "" when its device is unassigned.
std::string Resolve(const char *amigaPath);
// mkdir -p.
bool MakeDirs(const std::string &dir, mode_t mode);
// RAM:, created private to the user; "" when it cannot be had or another user owns it.
std::string PrivateRamDir();

} // namespace posix_dos
