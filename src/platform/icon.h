#pragma once

// The program's icon and its tool types.

namespace icon {

// What a Workbench start hands the program: its name and the tool types given on the
// start line (`tavrin --workbench KEY=VALUE ...`), which come before those of the icon file.
struct WBStartup {
    const char *sm_Name;
    char **sm_ToolTypes; // null-terminated, may be null
};

struct DiskObject {
    // Null-terminated array of "KEY=VALUE" or "KEY" lines.
    char **do_ToolTypes;
};

// The icon of a Workbench start: the start line's tool types, then those of "<name>.info" from
// ENVARC: or else PROGDIR:. Null when there are neither.
DiskObject *GetDiskObject(const WBStartup *startup);
void FreeDiskObject(DiskObject *icon);

// Workbench's rules: the key matches a line's name up to '=' without regard to case; returns the
// value after '=', or "" for a line without '='; null when no line matches.
char *FindToolType(char **toolTypes, const char *key);

} // namespace icon
