#pragma once

// Files, paths with devices, environment variables, dates and console output.

#include <cstddef>
#include <cstdint>

namespace dos {

constexpr int32_t MODE_OLDFILE = 1005;
constexpr int32_t MODE_NEWFILE = 1006;
constexpr uint32_t GVF_GLOBAL_ONLY = 0x100;
constexpr uint32_t GVF_SAVE_VAR = 0x200;

// Resolves a path with a device name ("ENVARC:Tavrin.conf", "Tavrin:", "standard/TR0.png") to a host path.
// Devices are case-insensitive and may be overridden by TAVRIN_ASSIGN_<DEVICE>. A path whose first ':'
// comes after a '/' (any path beginning with '/') has no device and stays as it is. Returns false for an
// unknown or unassigned device.
bool ResolvePath(const char *devicePath, char *out, size_t outSize);

struct Lock;
// A shared lock on an existing file or directory, or null.
Lock *LockShared(const char *name);
void UnLock(Lock *lock);
// Makes `lock` the current directory and returns the previous one as a lock (null when there was none).
Lock *SetCurrentDir(Lock *lock);
// The directory of the running program; owned by the system, never unlocked.
Lock *GetProgramDir();
// Writes the full path of the lock's object into `buf`; false when it does not fit.
bool DevNameFromLock(Lock *lock, char *buf, size_t size);

// Appends `part` to `path` with one separator; false when it does not fit into `size`.
bool AddPart(char *path, const char *part, size_t size);

struct File;
// "URL:<address>" opens the address in the desktop's preferred browser (xdg-open, started without a shell,
// the address passed unchanged) and gives a handle that reads nothing; "URL:NIL:" only checks that such a
// handler is on PATH. Both give null when it is not there or cannot be started.
File *Open(const char *name, int32_t mode);
// Read and Write move all `length` bytes, unless the file ends first (Read) or an error stops them.
// They return the bytes moved, or -1 when the error came before the first byte (IoErr says why).
int32_t Read(File *file, void *buf, int32_t length);
int32_t Write(File *file, const void *buf, int32_t length);
// For MODE_NEWFILE the data reaches the named file only here: it is written to a temporary file
// beside it and renamed over the old one. Returns false when that failed (the old file then stays).
bool Close(File *file);

// Starts a program in the background, without a shell: `command` is split into words at blanks (quotes
// mean nothing), the first word names the program (looked up on PATH unless it holds a '/'), and
// `argument` follows as one more word, unchanged. Input comes from `input`, output and errors go to
// `output`; both handles are closed here in every case. 0 once the program runs, -1 when it cannot be
// started (IoErr says why). Nothing waits for the program; it runs on in a session of its own.
int32_t SystemTags(const char *command, const char *argument, File *input, File *output);

// Sets an environment variable; GVF_SAVE_VAR also keeps it in ENVARC:.
bool SetVar(const char *name, const char *value, int32_t size, uint32_t flags);

// Error code of the last failed dos call on this thread, and its description. Codes are errno
// values, or one of these beyond them.
constexpr int32_t DTERROR_UNKNOWN_DATATYPE = 2000; // a file whose format cannot be read
int32_t IoErr();
void SetIoErr(int32_t code);
// Writes "<header>: <description>" into buf, cut to `length` bytes with its NUL; returns its length.
int32_t Fault(int32_t code, const char *header, char *buf, int32_t length);

// Waits `ticks` fiftieths of a second.
void Delay(uint32_t ticks);
struct Stamp {
    int32_t ds_Days, ds_Minute, ds_Tick;
};
// Local time as days since 1 January 1978, minutes of the day and ticks of the minute.
void DateStamp(Stamp *ds);

// A calendar date and time: month 1-12, wday 0 (Sunday) to 6.
struct ClockData {
    uint16_t sec, min, hour, mday, month, year, wday;
};
// The user's local time (TZ) of `seconds` since 1 January 1970 UTC; false when it cannot be shown.
bool LocalClock(int64_t seconds, ClockData *out);

// Formatted output on standard output, flushed at once.
int32_t Printf(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
int32_t PutStr(const char *text);

} // namespace dos
