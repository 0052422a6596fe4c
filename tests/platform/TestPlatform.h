#pragma once

// The in-process host for program tests: requesters are recorded and answered at once, the clock
// is a counter that Delay moves forward, files live in per-test temporary directories.

#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace testplat {

struct Requester {
    std::string title, body, button;
};

// Requesters shown since the last Reset, in order; their bodies; the last one's body ("" for none).
std::vector<Requester> &Requesters();
std::vector<std::string> RequesterBodies();
std::string LastRequesterBody();

// Ticks (1/50 s) that dos::Delay has waited since the last Reset; the fake clock moves with them.
unsigned long DelayedTicks();
// Sets the fake clock to `days` since 1978 and `ticks` into the day.
void SetClock(long days, long ticksOfDay);

// Forgets requesters, delays, exec signals, the file size limit and the program file's name, restores
// host versions and the fake pictures' screen.
void Reset();

// A fresh directory under $TMPDIR or /tmp, removed with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Points the devices ENVARC:, RAM:, PROGDIR:, LOCALE: and Tavrin: at subdirectories of one
// temporary directory (Tavrin: stays unassigned unless `withHome`), and undoes it on destruction.
class Devices {
public:
    explicit Devices(bool withHome = false);
    ~Devices();
    std::string envarc() const { return m_root.path() + "/envarc/"; }
    std::string ram() const { return m_root.path() + "/ram/"; }
    std::string progdir() const { return m_root.path() + "/progdir/"; }
    std::string home() const { return m_root.path() + "/home/"; }

private:
    TempDir m_root;
};

// Whole-file helpers for checking what the program wrote.
std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);
// A file of tests/data (TAVRIN_TEST_DATA), and the path of one that the build made (TAVRIN_BUILD_DIR).
std::string TestData(const std::string &name);
std::string BuildPath(const std::string &name);

double SecondsSince(std::chrono::steady_clock::time_point start);

// The process's open descriptors as "number -> what it refers to", to compare before and after a
// call that must close what it opens.
std::set<std::string> OpenDescriptors();

// Files of this process stop growing at `bytes` bytes, as on a full disk: a write beyond fails (EFBIG).
// -1 lifts the limit, as Reset and the end of every test do.
void LimitFileSize(long bytes);

// Returns once every child of this process has ended and been collected (the programs that SystemTags
// and the URL device start); fails the test when one is still there after 30 s.
void WaitForChildren();

// The autostart entry takes `path` for the running program's file, as the kernel would name it; null
// goes back to the kernel's name.
void NameProgramFile(const char *path);

} // namespace testplat
