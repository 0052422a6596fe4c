// Fuzz target: Tavrin.conf and Tavrin.ts through LoadConfig and LoadTimestamp, saved and loaded again.
// The first byte holds the length of the timestamp file (low four bits; its bytes follow) and whether
// a file is missing (0x20 the timestamps, 0x40 the settings); the rest is the settings file.
//
// Whatever the files hold, both texts of the record end within their fields, and what is saved
// loads back to the same state. A settings file of the current or the older length (or longer) is
// saved as its first 428 bytes, the older one completed with zeros, except that the last byte of
// each text is 0; a timestamp file of 8 or more bytes is saved as its first 8.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "Tavrin.h"

namespace {

constexpr size_t kConfSize = 428, kOldConfSize = 426, kTsSize = 8, kGeometry = 16;
constexpr size_t kSampleEnd = kGeometry + offsetof(TavrinPrefs, Sample) + sizeof(TavrinPrefs::Sample) - 1;
constexpr size_t kBrowserEnd = kGeometry + offsetof(TavrinPrefs, Browser) + sizeof(TavrinPrefs::Browser) - 1;

std::string gDir;

void RemoveDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(gDir, ignored);
}

// ENVARC: for the run: a fresh directory, in memory where the system has one (saving flushes).
const std::string &Envarc()
{
    if (gDir.empty()) {
        std::string dir = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/tavrin-fuzz-XXXXXX";
        if (!mkdtemp(dir.data()))
            abort();
        gDir = dir + "/";
        setenv("TAVRIN_ASSIGN_ENVARC", gDir.c_str(), 1);
        atexit(RemoveDir);
    }
    return gDir;
}

void Put(const std::string &name, const std::string &bytes, bool present)
{
    std::string path = Envarc() + name;
    unlink(path.c_str());
    if (present)
        std::ofstream(path, std::ios::binary) << bytes;
}

std::string Get(const std::string &name)
{
    std::ostringstream bytes;
    bytes << std::ifstream(Envarc() + name, std::ios::binary).rdbuf();
    return bytes.str();
}

struct State {
    LONG geometry[4];
    TavrinPrefs prefs;
    ULONG ts[2];
    bool operator==(const State &o) const { return memcmp(this, &o, sizeof(*this)) == 0; }
};

State Load()
{
    gb_PrefsData = {};
    LoadConfig();
    LoadTimestamp();
    State s;
    memset(&s, 0, sizeof(s));
    s.geometry[0] = gb_WinLeft;
    s.geometry[1] = gb_WinTop;
    s.geometry[2] = gb_WinWidth;
    s.geometry[3] = gb_WinHeight;
    s.prefs = gb_PrefsData;
    s.ts[0] = gb_TS[Kestrel_german];
    s.ts[1] = gb_TS[Kestrel_english];
    return s;
}

void Fail(const char *what)
{
    fprintf(stderr, "%s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t tsLength = std::min<size_t>(data[0] & 0x0f, size - 1);
    const std::string ts(reinterpret_cast<const char *>(data + 1), tsLength);
    const std::string conf(reinterpret_cast<const char *>(data + 1 + tsLength), size - 1 - tsLength);
    const bool tsPresent = !(data[0] & 0x20), confPresent = !(data[0] & 0x40);
    Put("Tavrin.ts", ts, tsPresent);
    Put("Tavrin.conf", conf, confPresent);
    gb_Debug = 0;

    const State first = Load();
    if (strnlen(first.prefs.Sample, sizeof(first.prefs.Sample)) == sizeof(first.prefs.Sample)
        || strnlen(first.prefs.Browser, sizeof(first.prefs.Browser)) == sizeof(first.prefs.Browser))
        Fail("a text of the settings record has no end");

    SaveConfig();
    SaveTimestamp();
    const std::string savedConf = Get("Tavrin.conf"), savedTs = Get("Tavrin.ts");
    if (savedConf.size() != kConfSize || savedTs.size() != kTsSize)
        Fail("saved files have the wrong length");
    if (confPresent && (conf.size() >= kConfSize || conf.size() == kOldConfSize)) {
        std::string expected = (conf + std::string(kConfSize, '\0')).substr(0, kConfSize);
        expected[kSampleEnd] = expected[kBrowserEnd] = 0;
        if (savedConf != expected)
            Fail("the settings were not saved as they were read");
    }
    if (tsPresent && ts.size() >= kTsSize && savedTs != ts.substr(0, kTsSize))
        Fail("the timestamps were not saved as they were read");

    if (!(Load() == first))
        Fail("what was saved loads back differently");
    return 0;
}
