#pragma once

// Start at login: the desktop's autostart entry for Tavrin, $XDG_CONFIG_HOME/autostart/tavrin.desktop.
// The entry alone records the choice; the settings file does not.

#include <cstddef>

namespace autostart {

// True when the entry exists, whatever it holds.
bool Exists();

// Writes the entry whole (a temporary file renamed over the old one), starting this program as the
// desktop's menu entry does: `tavrin --workbench`, or the program's absolute path in place of `tavrin`
// when a PATH lookup of `tavrin` does not find this program. False with dos::IoErr set when it cannot be
// written; an old entry then stays as it was.
bool Enable();

// Removes the entry. True when none is left; false with dos::IoErr set.
bool Disable();

// The entry's host path into `buf` (cut to `size`), for messages.
void EntryPath(char *buf, size_t size);

} // namespace autostart
