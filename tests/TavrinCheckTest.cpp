#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "platform/FakeAnnounce.h"
#include "platform/FakeGui.h"
#include "platform/LoopbackServer.h"
#include "platform/TestPlatform.h"

// While a test scripts the downloads (see tests/CMakeLists.txt), a channel answers with its feed or
// fails when it has none, and each download notes the dock state it ran in; otherwise the real
// download runs.
static bool gScripted;
static std::optional<std::string> gAnswer[Arsschanel_max];
static std::vector<std::string> gDownloads;

extern "C" {

BOOL __real__Z15getNewsInternalPci(char *buffer, LONG side);
BOOL __wrap__Z15getNewsInternalPci(char *buffer, LONG side)
{
    if (!gScripted)
        return __real__Z15getNewsInternalPci(buffer, side);
    gDownloads.push_back(std::to_string(side) + " in " + std::to_string(gb_DockyData.load()->state.load()));
    buffer[0] = 0;
    if (!gAnswer[side])
        return FALSE;
    Strlcpy(buffer, gAnswer[side]->c_str(), gb_RSSBufSize + 1);
    return TRUE;
}

} // extern "C"

namespace {

// Two items; the newer one is 5 December 2026 12:34:56.
const std::string kFeed = "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n"
                          "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kestrel Review</title>"
                          "<link>http://kestrel.test/</link><description>News</description>"
                          "<item><title>New</title><link>http://kestrel.test/1</link>"
                          "<description>One</description><pubDate>Sat, 05 Dec 2026 12:34:56 +0100</pubDate></item>"
                          "<item><title>Old</title><link>http://kestrel.test/2</link>"
                          "<description>Two</description><pubDate>Fri, 04 Dec 2026 08:00:00 +0100</pubDate></item>"
                          "</channel></rss>";
const ULONG kNewest = 1544013296;

std::string Be32(ULONG v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

int CountEntries(exec::List *list)
{
    int n = 0;
    for (exec::Node *node = exec::GetHead(list); node; node = exec::GetSucc(node))
        n++;
    return n;
}

struct RenewListTest : testing::Test {
    testplat::Devices devices;
    TavrinDockyData dock {};

    void SetUp() override
    {
        testplat::Reset();
        fakegui::Reset();
        gb_RSSBufSize = 200000;
        gb_Debug = 0;
        gb_TS[0] = gb_TS[1] = gb_TS[2] = 0;
        snprintf(gb_NewsURL, sizeof gb_NewsURL, "kestrel.test");
        gb_DockyData = &dock;
        ASSERT_TRUE(CreateAllObjects());
        gb_Win = gui::WM_OPEN(gb_WindowObj);
        fakegui::ClearCalls();
    }
    void TearDown() override
    {
        DestroyAllObjects();
        gb_Win = nullptr;
        gb_DockyData = nullptr;
    }

    void Renew(const LoopbackServer &server, LONG side)
    {
        snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", server.address().c_str());
        RenewList(side);
    }
    std::string TimestampFile() const { return testplat::ReadFile(devices.envarc() + "Tavrin.ts"); }
};

TEST_F(RenewListTest, ReloadMarksTheChannelSeenAndShowsItUnselected)
{
    const struct {
        LONG side;
        LONG stateBefore, stateAfter;
    } kCases[] = {
        {Kestrel_german, State_ge, State_english},
        {Kestrel_german, State_english, State_english},
        {Kestrel_german, State_german, State_none},
        {Kestrel_english, State_ge, State_german},
        {Kestrel_english, State_german, State_german},
        // The no-network state has no German flag to clear, though its value has the bit.
        {Kestrel_german, State_nonet, State_nonet},
    };
    for (const auto &c : kCases) {
        gb_TS[0] = gb_TS[1] = 7;
        dock.state = c.stateBefore;
        LoopbackServer server(LoopbackServer::Mode::Answer, kFeed);
        fakegui::ClearCalls();
        Renew(server, c.side);

        EXPECT_EQ(gb_TS[c.side], kNewest);
        EXPECT_EQ(gb_TS[1 - c.side], 7u);
        EXPECT_EQ(dock.state.load(), c.stateAfter) << c.side << " from " << c.stateBefore;
        EXPECT_EQ(TimestampFile(), c.side == 0 ? Be32(kNewest) + Be32(7) : Be32(7) + Be32(kNewest));
        EXPECT_EQ(CountEntries(&gb_List[c.side]), 3); // the channel's own entry and two items
        EXPECT_EQ(fakegui::Labels(gb_NewslistGad), &gb_List[c.side]);
        EXPECT_EQ(fakegui::Selected(gb_NewslistGad), -1);
        // Detached while the old entries are freed, busy while downloading.
        EXPECT_EQ(fakegui::Calls(), (std::vector<std::string> {"labels", "busy on", "busy off", "labels"}));
        EXPECT_TRUE(testplat::Requesters().empty());
    }
}

TEST_F(RenewListTest, FailedDownloadLeavesTimestampsStateAndFileAlone)
{
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", Be32(3) + Be32(4));
    gb_TS[0] = 3;
    gb_TS[1] = 4;
    dock.state = State_ge;
    {
        LoopbackServer first(LoopbackServer::Mode::Answer, kFeed);
        Renew(first, Kestrel_german); // fills the list that the failure must empty
    }
    gb_TS[0] = 3;
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", Be32(3) + Be32(4));
    dock.state = State_ge;

    LoopbackServer refusing(LoopbackServer::Mode::Refusing);
    Renew(refusing, Kestrel_german);
    EXPECT_EQ(gb_TS[0], 3u);
    EXPECT_EQ(gb_TS[1], 4u);
    EXPECT_EQ(dock.state.load(), State_ge);
    EXPECT_EQ(TimestampFile(), Be32(3) + Be32(4));
    EXPECT_EQ(CountEntries(&gb_List[0]), 0);
    EXPECT_EQ(fakegui::Labels(gb_NewslistGad), &gb_List[0]);
    EXPECT_FALSE(fakegui::Busy(gb_WindowObj));
    ASSERT_EQ(testplat::Requesters().size(), 1u); // the window is open: the failure is reported
    EXPECT_EQ(testplat::Requesters()[0].body, "Couldnt connect to server");
}

// What a channel's download gives: a failure, only items already seen (the newest one has exactly the
// channel's timestamp) or an item one second newer than the timestamp.
enum Got { Fail = -1, Seen = 0, Fresh = 1 };
using Log = std::vector<std::string>;
const std::string kDe = "Neue deutsche News liegen vor !";
const std::string kEn = "Neue englische News liegen vor !";
const std::string kBoth = "Neue deutsche und englische News liegen vor !";

struct CheckTest : RenewListTest {
    void SetUp() override
    {
        RenewListTest::SetUp();
        fakeannounce::Reset();
        gScripted = true;
        gDownloads.clear();
        gb_PrefsData.Checklang = 2;
        gb_PrefsData.Request = 2;
        gb_PrefsData.Ringhio = TRUE;
        gb_PrefsData.Sample[0] = 0;
        gb_Win = nullptr;
    }
    void TearDown() override
    {
        gScripted = false;
        fakeannounce::Reset();
        RenewListTest::TearDown();
    }

    static void Script(Got german, Got english)
    {
        const Got got[] = {german, english};
        for (LONG side : {0, 1}) {
            gAnswer[side] = got[side] == Fail ? std::nullopt : std::optional(kFeed);
            gb_TS[side] = got[side] == Fresh ? kNewest - 1 : kNewest;
        }
    }
    // Notification and requester of an announcement, without a sound.
    static Log Announced(const std::string &text)
    {
        return text.empty() ? Log {} : Log {"notify Kestrel Review News Ticker | " + text, "requester " + text};
    }
};

TEST_F(CheckTest, DecisionTable)
{
    const LONG kKept = 9; // the message code a failed check leaves alone
    const struct {
        LONG oldstate;
        Got german, english;
        LONG newstate;
        std::string text;
        LONG doMessage;
    } kCases[] = {
        {State_none, Fresh, Seen, State_german, kDe, 1},
        {State_none, Seen, Fresh, State_english, kEn, 2},
        {State_none, Fresh, Fresh, State_ge, kBoth, 3},
        {State_none, Seen, Seen, State_none, "", 0},
        {State_german, Fresh, Seen, State_german, "", 0},
        {State_german, Seen, Fresh, State_ge, kEn, 2},
        {State_german, Fresh, Fresh, State_ge, kEn, 2},
        {State_german, Seen, Seen, State_german, "", 0}, // a result of 0 never clears a flag
        {State_english, Fresh, Seen, State_ge, kDe, 1},
        {State_english, Fresh, Fresh, State_ge, kDe, 1},
        {State_english, Seen, Fresh, State_english, "", 0},
        {State_ge, Fresh, Fresh, State_ge, "", 0},
        {State_ge, Seen, Fresh, State_ge, "", 0},
        {State_ge, Seen, Seen, State_ge, "", 0},
        // The check and no-network states start from no flags.
        {State_check, Fresh, Fresh, State_ge, kBoth, 3},
        {State_nonet, Fresh, Seen, State_german, kDe, 1},
        {State_nonet, Seen, Fresh, State_english, kEn, 2},
        {State_nonet, Seen, Seen, State_none, "", 0},
        // A failed download of either channel: no network, nothing announced, even with news.
        {State_none, Fail, Fresh, State_nonet, "", kKept},
        {State_german, Fresh, Fail, State_nonet, "", kKept},
        {State_ge, Fail, Fail, State_nonet, "", kKept},
        {State_nonet, Seen, Fail, State_nonet, "", kKept},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(testing::Message() << c.oldstate << " " << c.german << " " << c.english);
        dock.state = c.oldstate;
        gb_DoMessage = kKept;
        Script(c.german, c.english);
        fakeannounce::Reset();
        gDownloads.clear();
        CheckToAllNews();
        EXPECT_EQ(dock.state.load(), c.newstate);
        EXPECT_EQ(gb_DoMessage, c.doMessage);
        EXPECT_EQ(fakeannounce::Log(), Announced(c.text));
        EXPECT_EQ(gDownloads, (Log {"0 in 4", "1 in 4"})); // German first, in the check state
    }
}

TEST_F(CheckTest, NewsAreAnnouncedOnceAndAgainAfterANetworkFailure)
{
    const struct {
        Got german;
        LONG state;
        std::string text;
    } kSteps[] = {
        {Fresh, State_german, kDe},
        {Fresh, State_german, ""}, // the same item again
        {Fail, State_nonet, ""},
        {Fresh, State_german, kDe},
    };
    dock.state = State_none;
    for (const auto &step : kSteps) {
        fakeannounce::Reset();
        Script(step.german, Seen);
        CheckToAllNews();
        EXPECT_EQ(dock.state.load(), step.state);
        EXPECT_EQ(fakeannounce::Log(), Announced(step.text));
    }
}

TEST_F(CheckTest, UnwatchedChannelIsNeitherDownloadedNorChanged)
{
    const struct {
        UBYTE checklang;
        LONG unwatched; // -1: both are watched
        Log downloads;
        LONG newstate;
    } kCases[] = {
        {0, Kestrel_english, {"0 in 4"}, State_ge},
        {1, Kestrel_german, {"1 in 4"}, State_english},
        {2, -1, {"0 in 4", "1 in 4"}, State_ge},
    };
    for (const auto &c : kCases) {
        gb_PrefsData.Checklang = 2;
        dock.state = State_ge;
        Script(Seen, Seen);
        CheckToAllNews(); // both lists hold the feed now
        gb_PrefsData.Checklang = c.checklang;
        dock.state = State_english;
        Script(Fresh, Fresh);
        if (c.unwatched >= 0)
            gAnswer[c.unwatched].reset(); // a download of it would fail the check
        gDownloads.clear();
        CheckToAllNews();
        EXPECT_EQ(gDownloads, c.downloads);
        EXPECT_EQ(dock.state.load(), c.newstate);
        if (c.unwatched >= 0) {
            EXPECT_EQ(CountEntries(&gb_List[c.unwatched]), 3);
        }
    }
}

TEST_F(CheckTest, AnnouncementOrderAndTheRequesterSetting)
{
    const std::string chime = devices.progdir() + "chime.8svx";
    testplat::WriteFile(chime, "FORM");
    const Log sound = {"play " + chime, "end " + chime, "dispose " + chime};
    const std::string notice = "notify Kestrel Review News Ticker | " + kDe;
    const std::string requester = "requester " + kDe;
    const struct {
        UBYTE request;
        bool open;
        BOOL ringhio;
        Log after; // what follows the sound
    } kCases[] = {
        {2, false, TRUE, {notice, requester}},
        {2, true, TRUE, {notice, requester}},
        {1, true, TRUE, {notice, requester}},
        {1, false, TRUE, {notice}},
        {0, true, TRUE, {notice}},
        {0, false, FALSE, {}},
        {2, false, FALSE, {requester}},
    };
    Strlcpy(gb_PrefsData.Sample, chime.c_str(), sizeof gb_PrefsData.Sample);
    for (const auto &c : kCases) {
        gb_PrefsData.Request = c.request;
        gb_PrefsData.Ringhio = c.ringhio;
        gb_Win = c.open ? gui::WM_OPEN(gb_WindowObj) : nullptr;
        dock.state = State_none;
        Script(Fresh, Seen);
        fakeannounce::Reset();
        CheckToAllNews();
        Log expected = sound;
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(fakeannounce::Log(), expected) << int(c.request) << " " << c.open << " " << c.ringhio;
    }
}

TEST_F(CheckTest, ShownListIsDetachedWhileRebuiltAndShownAgainUnselected)
{
    const struct {
        exec::List *shown;
        bool open;
        Log calls;
    } kCases[] = {
        {&gb_List[0], false, {"labels", "labels"}},
        {&gb_List[1], false, {"labels", "labels"}},
        {&gb_List[0], true, {"busy on", "labels", "labels", "busy off"}},
        {nullptr, false, {}},
    };
    for (const auto &c : kCases) {
        gb_Win = c.open ? gui::WM_OPEN(gb_WindowObj) : nullptr;
        gui::SetListBrowserLabels(gb_NewslistGad, c.shown, 1);
        fakegui::ClearCalls();
        dock.state = State_ge;
        Script(Fresh, Seen);
        CheckToAllNews();
        EXPECT_EQ(fakegui::Calls(), c.calls);
        EXPECT_EQ(fakegui::Labels(gb_NewslistGad), c.shown);
        EXPECT_EQ(fakegui::Selected(gb_NewslistGad), c.shown ? -1 : 1);
        EXPECT_FALSE(fakegui::Busy(gb_WindowObj));
    }
}

// Standard output without the lines of the parser and the list, which share the debug word.
std::string CheckLines(const std::string &out)
{
    std::string kept;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end + 1 - start);
        bool other = false;
        for (const char *prefix : {"parsing from ", ">> ", "   CreateEntry ", "        MaxTS "})
            other = other || line.rfind(prefix, 0) == 0;
        if (!other)
            kept += line;
    }
    return kept + out.substr(start);
}

TEST_F(CheckTest, DebugLines)
{
    const std::string parse = "  parse " + std::to_string(kFeed.size()) + " bytes ...\n";
    const std::string seen = "  analyse oldts=" + std::to_string(kNewest) + " ...\n  completed\n  return 0\n";
    const struct {
        Got german;
        WORD debug;
        const char *notifyFailure;
        std::string out;
    } kCases[] = {
        {Fresh, DEBUG_PARSER, nullptr,
            "AutoCheck german News ...\n" + parse + "  analyse oldts=" + std::to_string(kNewest - 1)
                + " ...\n  completed\n  return 1\nAutoCheck english News ...\n" + parse + seen
                + "german news: 1  english news: 0\n\n\noldstate = 0\n  -->>> neue deutsche !\n"
                  "  DoMessage = 1\nnewstate = 1\n"},
        {Fail, DEBUG_PARSER, nullptr,
            "AutoCheck german News ...\n  return -1\nAutoCheck english News ...\n" + parse + seen
                + "german news: -1  english news: 0\n\nNetzwerk gestört !\n"},
        {Fresh, DEBUG_GUI, "no session bus", "Ringhio: no session bus\n"},
        {Fresh, DEBUG_ALL & ~DEBUG_GUI & ~DEBUG_PARSER, "no session bus", ""},
    };
    for (const auto &c : kCases) {
        dock.state = State_none;
        gb_Debug = c.debug;
        Script(c.german, Seen);
        fakeannounce::Reset();
        fakeannounce::SetNotifyFailure(c.notifyFailure);
        testing::internal::CaptureStdout();
        CheckToAllNews();
        EXPECT_EQ(CheckLines(testing::internal::GetCapturedStdout()), c.out);
        // A notification that fails takes nothing else away.
        EXPECT_EQ(testplat::Requesters().empty(), c.german == Fail);
        testplat::Requesters().clear();
    }
    gb_Debug = 0;
}

} // namespace
