#pragma once

// The program's icon and its tool types.

namespace icon {

struct DiskObject {
    // Null-terminated array of "KEY=VALUE" or "KEY" lines.
    char **do_ToolTypes;
};

// The icon of `name` ("Tavrin"): the tool types of the Workbench start line first, then
// those of "Tavrin.info" from ENVARC: or else PROGDIR:. Null when neither exists.
DiskObject *GetDiskObject(const char *name);
void FreeDiskObject(DiskObject *icon);

// Workbench's rules: the key matches a line's name up to '=' without regard to case; returns the
// value after '=', or "" for a line without '='; null when no line matches.
char *FindToolType(char **toolTypes, const char *key);

} // namespace icon
