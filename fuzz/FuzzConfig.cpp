// Fuzz target: Tavrin.conf and Tavrin.ts through LoadConfig and LoadTimestamp, saved and loaded again.
// The first byte holds the length of the timestamp file (low four bits; its bytes follow) and whether
// a file is missing (0x20 the timestamps, 0x40 the settings); the rest is the settings file.
//
// Whatever the files hold, what is saved loads back to the same state, so that saving that again
// writes the same bytes. A settings file of the current or the older length (or longer) is saved as
// its first 428 bytes, the older one completed with zeros, except that the last byte of each text is
// 0, so both texts end within their fields; a timestamp file of 8 or more bytes is saved as its first 8.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "FuzzCheck.h"
#include "Tavrin.h"
#include "platform/TestPlatform.h"

namespace {

constexpr size_t kConfSize = 428, kOldConfSize = 426, kTsSize = 8, kGeometry = 16;
constexpr size_t kSampleEnd = kGeometry + offsetof(TavrinPrefs, Sample) + sizeof(TavrinPrefs::Sample) - 1;
constexpr size_t kBrowserEnd = kGeometry + offsetof(TavrinPrefs, Browser) + sizeof(TavrinPrefs::Browser) - 1;

// The devices of the run, in memory where the system has some (saving flushes).
const testplat::Devices gDevices = [] {
    if (access("/dev/shm", W_OK) == 0)
        setenv("TMPDIR", "/dev/shm", 1);
    return testplat::Devices();
}();

void Put(const char *name, const std::string &bytes, bool present)
{
    std::filesystem::remove(gDevices.envarc() + name);
    if (present)
        testplat::WriteFile(gDevices.envarc() + name, bytes);
}

// Loads both files and saves them again; returns the bytes saved, settings first.
std::string LoadAndSave()
{
    gb_PrefsData = {};
    LoadConfig();
    LoadTimestamp();
    SaveConfig();
    SaveTimestamp();
    return testplat::ReadFile(gDevices.envarc() + "Tavrin.conf") + testplat::ReadFile(gDevices.envarc() + "Tavrin.ts");
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

    const std::string saved = LoadAndSave();
    if (saved.size() != kConfSize + kTsSize)
        Fail("saved files have the wrong length");
    if (confPresent && (conf.size() >= kConfSize || conf.size() == kOldConfSize)) {
        std::string expected = (conf + std::string(kConfSize, '\0')).substr(0, kConfSize);
        expected[kSampleEnd] = expected[kBrowserEnd] = 0;
        if (saved.substr(0, kConfSize) != expected)
            Fail("the settings were not saved as they were read");
    }
    if (tsPresent && ts.size() >= kTsSize && saved.substr(kConfSize) != ts.substr(0, kTsSize))
        Fail("the timestamps were not saved as they were read");
    if (LoadAndSave() != saved)
        Fail("what was saved loads back differently");
    return 0;
}
