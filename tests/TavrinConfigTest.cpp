#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "EntryList.h"
#include "Tavrin.h"
#include "platform/TestPlatform.h"

namespace {

using namespace std::string_literals;

class ConfigTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        gb_PrefsData = {};
    }

    testplat::Devices dev;
    const std::string conf = dev.envarc() + "Tavrin.conf", ts = dev.envarc() + "Tavrin.ts";
};

// The file's length decides what is taken; a damaged file brings the defaults. Saving then writes
// the golden file named (null: not compared). The missing file comes first, before any is written.
TEST_F(ConfigTest, LoadTable)
{
    const struct {
        long length; // bytes taken from the golden file with 72 more behind it; -1: no file
        UBYTE interval; // patched into the file
        WORD debug;
        bool damaged;
        ULONG minutes;
        const char *saved;
    } cases[] = {
        {-1, 4, 0, false, 2, "Tavrin-first.conf"},
        {15, 4, 0, true, 2, nullptr},
        {426, 4, 0, false, 90, nullptr},
        {427, 4, 0, true, 2, "Tavrin-defaults.conf"},
        {428, 4, 0, false, 90, "Tavrin.conf"},
        {500, 5, 0, false, 120, nullptr},
        {428, 5, DEBUG_SHORTTICK, false, 2, nullptr},
        {428, 6, 0, false, 15, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << " interval " << int(c.interval));
        SetUp();
        std::string bytes = TestData("config/Tavrin.conf") + std::string(72, '\x55');
        bytes[16 + offsetof(TavrinPrefs, Interval)] = char(c.interval);
        if (c.length >= 0)
            testplat::WriteFile(conf, bytes.substr(0, c.length));
        gb_Debug = c.debug;
        const auto open = testplat::OpenDescriptors();
        EXPECT_EQ(LoadConfig(), c.length >= 0);
        EXPECT_EQ(testplat::OpenDescriptors(), open); // the file is closed, whole or damaged
        EXPECT_EQ(testplat::LastRequesterBody(), c.damaged ? "Damaged config file (conf)" : "");
        EXPECT_EQ(gb_WinLeft, c.length >= 16 ? -20 : 250); // the geometry is taken when it is whole
        EXPECT_EQ(gb_Intervall, c.minutes);
        EXPECT_TRUE(!c.saved || (SaveConfig() && testplat::ReadFile(conf) == TestData("config/"s + c.saved)));
    }
}

// Every kind of requester looks the same, under the program's title.
TEST_F(ConfigTest, CutTimestampFileIsReported)
{
    testplat::WriteFile(ts, TestData("config/Tavrin.ts").substr(0, 7));
    const auto open = testplat::OpenDescriptors();
    EXPECT_TRUE(LoadTimestamp());
    EXPECT_EQ(testplat::OpenDescriptors(), open);
    const testplat::Requester &shown = testplat::Requesters().at(0);
    EXPECT_EQ(shown.title + " | " + shown.body + " | " + shown.button, "Tavrin | Damaged config file (ts) | Ok");
}

// A full disk in the middle of a save used to leave a cut file, which the next start took for
// damaged settings and replaced with the defaults.
TEST_F(ConfigTest, SaveThatFailsHalfWayKeepsTheOldFileAndNoTemporary)
{
    testplat::WriteFile(conf, TestData("config/Tavrin.conf"));
    testplat::LimitFileSize(100);
    EXPECT_FALSE(SaveConfig());
    EXPECT_EQ(testplat::ReadFile(conf), TestData("config/Tavrin.conf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dev.envarc()), {}), 1);
    EXPECT_EQ(testplat::Requesters().at(0).body, "Can not open config file for writeing. (conf)");
}

} // namespace
