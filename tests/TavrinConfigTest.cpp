#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "Tavrin.h"
#include "platform/TestPlatform.h"
#include "platform/host.h"

namespace {

std::string Golden(const std::string &name)
{
    const char *dir = std::getenv("TAVRIN_TEST_DATA");
    return testplat::ReadFile(std::string(dir ? dir : "tests/data") + "/config/" + name);
}

const std::string DamagedConf = "Damaged config file (conf)";
const std::string DamagedTs = "Damaged config file (ts)";
const std::string CannotSaveConf = "Can not open config file for writeing. (conf)";
const std::string CannotSaveTs = "Can not open config file for writeing. (ts)";

class ConfigTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        std::memset(&gb_PrefsData, 0, sizeof(gb_PrefsData));
        gb_WinLeft = gb_WinTop = gb_WinWidth = gb_WinHeight = 0;
        gb_TS[0] = gb_TS[1] = gb_TS[2] = 0;
        gb_Intervall = 0;
        gb_Debug = 0;
    }
    void TearDown() override { testplat::Reset(); }

    std::string conf() const { return dev.envarc() + "Tavrin.conf"; }
    std::string ts() const { return dev.envarc() + "Tavrin.ts"; }

    std::vector<std::string> bodies() const
    {
        std::vector<std::string> out;
        for (const auto &req : testplat::Requesters())
            out.push_back(req.body);
        return out;
    }

    // The settings of the golden file, as the program holds them.
    static void SetGoldenValues()
    {
        gb_WinLeft = -20;
        gb_WinTop = 0;
        gb_WinWidth = 640;
        gb_WinHeight = 480;
        gb_PrefsData.Checklang = 1;
        gb_PrefsData.Interval = 4;
        gb_PrefsData.Request = 2;
        Strlcpy(gb_PrefsData.Sample, "Tavrin:sounds/ping.8svx", sizeof(gb_PrefsData.Sample));
        gb_PrefsData.Ringhio = TRUE;
        Strlcpy(gb_PrefsData.Browser, "OWB:OWB", sizeof(gb_PrefsData.Browser));
        gb_PrefsData.Openshow = 2;
        gb_PrefsData.Savewin = TRUE;
        gb_PrefsData.Anzeige = 1;
    }

    testplat::Devices dev;
};

TEST_F(ConfigTest, SaveConfigWritesTheGoldenBytes)
{
    SetGoldenValues();
    EXPECT_TRUE(SaveConfig());
    EXPECT_EQ(testplat::ReadFile(conf()), Golden("Tavrin.conf"));
    EXPECT_TRUE(testplat::Requesters().empty());
}

TEST_F(ConfigTest, SaveTimestampWritesTheGoldenBytes)
{
    gb_TS[0] = 0x4A3B2C1D;
    gb_TS[1] = 0xF0E0D0C0;
    gb_TS[2] = 0x11111111; // never stored
    EXPECT_TRUE(SaveTimestamp());
    EXPECT_EQ(testplat::ReadFile(ts()), Golden("Tavrin.ts"));
}

TEST_F(ConfigTest, GoldenFilesLoadBackToTheSameValuesAndBytes)
{
    testplat::WriteFile(conf(), Golden("Tavrin.conf"));
    testplat::WriteFile(ts(), Golden("Tavrin.ts"));
    EXPECT_TRUE(LoadConfig());
    EXPECT_TRUE(LoadTimestamp());
    EXPECT_TRUE(testplat::Requesters().empty());

    TavrinPrefs loaded = gb_PrefsData;
    LONG geometry[] = {gb_WinLeft, gb_WinTop, gb_WinWidth, gb_WinHeight};
    SetUp();
    SetGoldenValues();
    EXPECT_EQ(std::memcmp(&loaded, &gb_PrefsData, sizeof(loaded)), 0);
    EXPECT_EQ(geometry[0], -20);
    EXPECT_EQ(geometry[3], 480);

    gb_PrefsData = loaded;
    ASSERT_TRUE(SaveConfig());
    EXPECT_EQ(testplat::ReadFile(conf()), Golden("Tavrin.conf"));
}

struct ConfLoadCase {
    const char *name;
    bool exists;
    size_t length; // bytes taken from the golden file, or from the front of a 500-byte extension
    bool damaged;
    LONG left, width;
    ULONG intervall;
    UBYTE checklang, anzeige;
};

class ConfLoad : public ConfigTest, public testing::WithParamInterface<ConfLoadCase> { };

TEST_P(ConfLoad, LengthDecidesWhatIsTaken)
{
    const ConfLoadCase &c = GetParam();
    if (c.exists) {
        std::string bytes = Golden("Tavrin.conf") + std::string(72, '\x55');
        testplat::WriteFile(conf(), bytes.substr(0, c.length));
    }
    EXPECT_EQ(LoadConfig(), c.exists ? TRUE : FALSE);
    EXPECT_EQ(bodies(), c.damaged ? std::vector<std::string> {DamagedConf} : std::vector<std::string> {});
    EXPECT_EQ(gb_WinLeft, c.left);
    EXPECT_EQ(gb_WinWidth, c.width);
    EXPECT_EQ(gb_Intervall, c.intervall);
    EXPECT_EQ(gb_PrefsData.Checklang, c.checklang);
    EXPECT_EQ(gb_PrefsData.Anzeige, c.anzeige);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfLoad,
    testing::Values(
        // A missing file leaves the record all zero and the interval at 2.
        ConfLoadCase {"missing", false, 0, false, 250, 300, 2, 0, 0},
        ConfLoadCase {"empty", true, 0, true, 250, 300, 2, 2, 0},
        ConfLoadCase {"geometryCut", true, 15, true, 250, 300, 2, 2, 0},
        ConfLoadCase {"geometryOnly", true, 16, true, -20, 640, 2, 2, 0},
        ConfLoadCase {"older", true, 426, false, -20, 640, 90, 1, 0},
        ConfLoadCase {"oneShort", true, 427, true, -20, 640, 2, 2, 0},
        ConfLoadCase {"current", true, 428, false, -20, 640, 90, 1, 1},
        ConfLoadCase {"longer", true, 500, false, -20, 640, 90, 1, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigTest, DamagedConfigGetsTheDefaultsAndIsReplacedOnSave)
{
    testplat::WriteFile(conf(), Golden("Tavrin.conf").substr(0, 427));
    LoadConfig();
    EXPECT_STREQ(gb_PrefsData.Sample, "TR_special.8svx");
    EXPECT_STREQ(gb_PrefsData.Browser, "OWB:OWB");
    EXPECT_EQ(gb_PrefsData.Openshow, 1);
    EXPECT_TRUE(gb_PrefsData.Ringhio);
    EXPECT_TRUE(gb_PrefsData.Savewin);
    ASSERT_TRUE(SaveConfig());
    EXPECT_EQ(testplat::ReadFile(conf()), Golden("Tavrin-defaults.conf"));
}

TEST_F(ConfigTest, OlderFileIsRewrittenInTheCurrentForm)
{
    testplat::WriteFile(conf(), Golden("Tavrin-426.conf"));
    LoadConfig();
    ASSERT_TRUE(SaveConfig());
    std::string expected = Golden("Tavrin.conf");
    expected[426] = 0; // Anzeige
    EXPECT_EQ(testplat::ReadFile(conf()), expected);
}

TEST_F(ConfigTest, FirstRunSavesTheStartGeometryAndAZeroRecord)
{
    LoadConfig();
    LoadTimestamp();
    ASSERT_TRUE(SaveConfig());
    EXPECT_EQ(testplat::ReadFile(conf()), Golden("Tavrin-first.conf"));
    EXPECT_FALSE(testplat::FileExists(ts()));
}

// A text that fills its field to the last byte must not run into the next field.
TEST_F(ConfigTest, UnterminatedTextsAreCutToTheirField)
{
    std::string bytes = Golden("Tavrin.conf");
    bytes.replace(16 + 3, 200, std::string(200, 'S'));
    bytes.replace(16 + 206, 200, std::string(200, 'B'));
    testplat::WriteFile(conf(), bytes);
    LoadConfig();
    EXPECT_EQ(std::strlen(gb_PrefsData.Sample), 199u);
    EXPECT_EQ(std::strlen(gb_PrefsData.Browser), 199u);
    EXPECT_TRUE(gb_PrefsData.Ringhio);
}

struct TsLoadCase {
    const char *name;
    bool exists;
    size_t length;
    bool damaged;
    ULONG german, english;
};

class TsLoad : public ConfigTest, public testing::WithParamInterface<TsLoadCase> { };

TEST_P(TsLoad, LengthDecidesWhatIsTaken)
{
    const TsLoadCase &c = GetParam();
    if (c.exists)
        testplat::WriteFile(ts(), (Golden("Tavrin.ts") + "\x01\x02\x03\x04").substr(0, c.length));
    gb_TS[0] = gb_TS[1] = 77;
    EXPECT_EQ(LoadTimestamp(), c.exists ? TRUE : FALSE);
    EXPECT_EQ(bodies(), c.damaged ? std::vector<std::string> {DamagedTs} : std::vector<std::string> {});
    EXPECT_EQ(gb_TS[0], c.german);
    EXPECT_EQ(gb_TS[1], c.english);
    EXPECT_EQ(gb_TS[2], 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, TsLoad,
    testing::Values(TsLoadCase {"missing", false, 0, false, 0, 0}, TsLoadCase {"half", true, 4, true, 0, 0},
        TsLoadCase {"oneShort", true, 7, true, 0, 0}, TsLoadCase {"exact", true, 8, false, 0x4A3B2C1D, 0xF0E0D0C0},
        TsLoadCase {"longer", true, 12, false, 0x4A3B2C1D, 0xF0E0D0C0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigTest, TimestampFileAloneSetsTheIntervalOfTheZeroRecord)
{
    testplat::WriteFile(ts(), Golden("Tavrin.ts"));
    LoadConfig();
    EXPECT_EQ(gb_Intervall, 2u);
    LoadTimestamp();
    EXPECT_EQ(gb_Intervall, 15u);
}

TEST_F(ConfigTest, DamagedTimestampFileKeepsTheInterval)
{
    testplat::WriteFile(ts(), "abc");
    LoadConfig();
    LoadTimestamp();
    EXPECT_EQ(gb_Intervall, 2u);
}

struct IntervalCase {
    UBYTE interval;
    WORD debug;
    ULONG minutes;
};

TEST_F(ConfigTest, IntervalTable)
{
    const IntervalCase cases[] = {
        {0, 0, 15},
        {1, 0, 30},
        {2, 0, 45},
        {3, 0, 60},
        {4, 0, 90},
        {5, 0, 120},
        {6, 0, 15},
        {255, 0, 15},
        {5, DEBUG_SHORTTICK, 2},
        {4, DEBUG_SHORTTICK, 90},
        {5, DEBUG_ALL, 120},
        {6, DEBUG_SHORTTICK, 15},
    };
    for (const auto &c : cases) {
        gb_PrefsData.Interval = c.interval;
        gb_Debug = c.debug;
        SetIntervall();
        EXPECT_EQ(gb_Intervall, c.minutes) << int(c.interval) << " debug " << c.debug;
    }
}

TEST_F(ConfigTest, IntervalDebugLineOnlyWithTheGuiWord)
{
    gb_PrefsData.Interval = 5;
    gb_Debug = DEBUG_GUI | DEBUG_SHORTTICK;
    testing::internal::CaptureStdout();
    SetIntervall();
    gb_Debug = DEBUG_ALL & ~DEBUG_GUI;
    SetIntervall();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SetIntervall to 2\n");
}

TEST_F(ConfigTest, SaveThatCannotCreateTheFileReportsIt)
{
    // ENVARC: names a plain file, so nothing can be created inside it.
    testplat::WriteFile(dev.envarc() + "blocker", "");
    setenv("TAVRIN_ASSIGN_ENVARC", (dev.envarc() + "blocker").c_str(), 1);
    BOOL conf = SaveConfig();
    BOOL ts = SaveTimestamp();
    setenv("TAVRIN_ASSIGN_ENVARC", dev.envarc().c_str(), 1);
    EXPECT_FALSE(conf);
    EXPECT_FALSE(ts);
    EXPECT_EQ(bodies(), (std::vector<std::string> {CannotSaveConf, CannotSaveTs}));
}

// A full disk in the middle of a save used to leave a cut file, which the next start took for
// damaged settings and replaced with the defaults.
TEST_F(ConfigTest, SaveThatFailsHalfWayKeepsTheOldFiles)
{
    const std::string oldConf = Golden("Tavrin.conf");
    const std::string oldTs = Golden("Tavrin.ts");
    testplat::WriteFile(conf(), oldConf);
    testplat::WriteFile(ts(), oldTs);
    gb_WinLeft = 1;
    gb_TS[0] = 1;

    dos_host::FailWritesAfter(100);
    EXPECT_FALSE(SaveConfig());
    dos_host::FailWritesAfter(4);
    EXPECT_FALSE(SaveTimestamp());
    dos_host::FailWritesAfter(-1);

    EXPECT_EQ(testplat::ReadFile(conf()), oldConf);
    EXPECT_EQ(testplat::ReadFile(ts()), oldTs);
    EXPECT_EQ(bodies(), (std::vector<std::string> {CannotSaveConf, CannotSaveTs}));
}

} // namespace
