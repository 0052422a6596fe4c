#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "platform/FakeAnnounce.h"
#include "platform/TestPlatform.h"

namespace {

using Log = std::vector<std::string>;

struct PlaySampleTest : testing::Test {
    testplat::TempDir dir;

    void SetUp() override
    {
        testplat::Reset();
        fakeannounce::Reset();
        gb_Debug = 0;
        testplat::WriteFile(dir.file("chime.8svx"), "FORM");
    }
    void TearDown() override { fakeannounce::Reset(); }
    void SetSample(const std::string &name) { Strlcpy(gb_PrefsData.Sample, name.c_str(), sizeof gb_PrefsData.Sample); }
};

TEST_F(PlaySampleTest, ReturnsOnlyWhenTheSoundHasEndedAndTriesAgainEachTime)
{
    const std::string chime = dir.file("chime.8svx");
    const std::string missing = dir.file("missing%n%s.8svx");
    const std::string noLoad = "Fehler bei Sample laden:\n";
    const struct {
        std::string sample;
        bool staleSignal; // signal D already set when playing starts
        Log log;
    } kCases[] = {
        {"", false, {}},
        {chime, false, {"play " + chime, "end " + chime, "dispose " + chime}},
        {chime, true, {"play " + chime, "end " + chime, "dispose " + chime}},
        // The path holds conversions: it must print as itself.
        {missing, false, {"requester " + noLoad + missing + ": No such file or directory"}},
    };
    for (const auto &c : kCases) {
        fakeannounce::Reset();
        SetSample(c.sample);
        for (int round = 0; round < 2; round++) {
            if (c.staleSignal)
                exec::Signal(exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
            PlaySample();
        }
        Log twice = c.log;
        twice.insert(twice.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(fakeannounce::Log(), twice) << c.sample;
        EXPECT_EQ(exec::SetSignal(0, SIGBREAKF_CTRL_D) & SIGBREAKF_CTRL_D, 0u);
    }
}

TEST_F(PlaySampleTest, LoadFailureTextIsCutToTheReasonBuffer)
{
    const std::string path = "/nonexistent/" + std::string(250, 'a');
    SetSample(path);
    PlaySample();
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    // The path and its reason fill at most 199 bytes; the catalog text around them stays whole.
    EXPECT_EQ(testplat::Requesters()[0].body, "Fehler bei Sample laden:\n" + path.substr(0, 199));
    EXPECT_EQ(testplat::Requesters()[0].button, "Ok");
}

TEST_F(PlaySampleTest, NoOutputDeviceEndsAtOnceWithADebugLineOnly)
{
    const std::string chime = dir.file("chime.8svx");
    SetSample(chime);
    for (int debug : {0, int(DEBUG_GUI)}) {
        fakeannounce::Reset();
        fakeannounce::SetNoOutput(true);
        gb_Debug = static_cast<WORD>(debug);
        testing::internal::CaptureStdout();
        PlaySample();
        EXPECT_EQ(
            testing::internal::GetCapturedStdout(), debug ? "PlaySample: no sound output: none in the test\n" : "");
        EXPECT_EQ(fakeannounce::Log(), (Log {"play " + chime, "end " + chime, "dispose " + chime}));
    }
}

} // namespace
