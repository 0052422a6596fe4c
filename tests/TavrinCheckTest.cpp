#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "CatalogImage.h"
#include "EntryList.h"
#include "Tavrin.h"
#include "TavrinCause.h"
#include "TavrinSeams.h"
#include "platform/FakeAnnounce.h"
#include "platform/FakeGui.h"
#include "platform/TestPlatform.h"

namespace {

// The German feed of the parser tests; its newest item is of DATE, with the timestamp TS.
const std::string kFeed = "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n" + TestData("kestrel-de.rss");

// The tests script the downloads of the site's channels (gb_Downloads): a channel answers with the feed
// above or fails, and each download notes its channel and the dock state it ran in.
bool gFails[2];
std::string gDownloads;

BOOL ScriptedDownload(char *buffer, LONG side)
{
    gDownloads += std::to_string(side) + "@" + std::to_string(gb_DockyData.load()->state.load()) + " ";
    Strlcpy(buffer, gFails[side] ? "" : kFeed.c_str(), gb_RSSBufSize + 1);
    return !gFails[side];
}

// Seen: the channel's newest item has exactly the channel's timestamp, which is no news.
enum Got { Fail = -1, Seen = 0, Fresh = 1 };
using Log = std::vector<std::string>;
const std::string kDe = "Neue deutsche News liegen vor !", kEn = "Neue englische News liegen vor !";
const std::string kBoth = "Neue deutsche und englische News liegen vor !", kTitle = "Kestrel Review News Ticker";

struct CheckTest : testing::Test {
    testplat::Devices devices;
    TavrinDockyData dock {};

    void SetUp() override
    {
        testplat::Reset();
        fakegui::host = {};
        gb_RSSBufSize = 200000;
        gb_Debug = 0;
        gb_TS[0] = gb_TS[1] = gb_TS[2] = 0;
        gb_DockyData = &dock;
        gb_Downloads.News = ScriptedDownload;
        gb_PrefsData = {.Checklang = 2, .Request = 2, .Ringhio = TRUE};
        ASSERT_TRUE(CreateAllObjects());
    }
    void TearDown() override
    {
        DestroyAllObjects();
        gb_Win = nullptr;
        gb_DockyData = nullptr;
        gb_Downloads = gb_RealDownloads;
        fakeannounce::Reset();
    }
    // A check from `state` in which the channels give `german` and `english`; what it announced.
    Log Check(LONG state, Got german, Got english)
    {
        dock.state = state;
        gFails[0] = german == Fail;
        gFails[1] = english == Fail;
        gb_TS[0] = german == Fresh ? TS - 1 : TS;
        gb_TS[1] = english == Fresh ? TS - 1 : TS;
        gb_LastCheck = 0;
        fakeannounce::Reset();
        gDownloads.clear();
        CheckToAllNews();
        return fakeannounce::Log();
    }
};

// A reload marks the channel seen and shows it again with nothing selected; a failed one leaves the
// timestamps, the state and the file alone, but empties the list.
TEST_F(CheckTest, ReloadTable)
{
    const struct {
        LONG side;
        LONG stateBefore, stateAfter;
        bool fails = false;
    } kCases[] = {
        {Kestrel_german, State_ge, State_english},
        {Kestrel_german, State_ge, State_ge, true},
        {Kestrel_english, State_ge, State_german},
        // The no-network state has no German flag to clear, though its value has the bit.
        {Kestrel_german, State_nonet, State_nonet},
    };
    gb_Win = gui::WM_OPEN(gb_WindowObj);
    for (const auto &c : kCases) {
        gb_TS[0] = gb_TS[1] = 7;
        testplat::WriteFile(devices.envarc() + "Tavrin.ts", Be32(7) + Be32(7));
        dock.state = c.stateBefore;
        gFails[c.side] = c.fails;
        fakegui::host.calls.clear();
        RenewList(c.side);

        const ULONG seen = c.fails ? 7 : TS;
        EXPECT_EQ(gb_TS[c.side], seen);
        EXPECT_EQ(gb_TS[1 - c.side], 7u);
        EXPECT_EQ(dock.state.load(), c.stateAfter) << c.side << " from " << c.stateBefore;
        EXPECT_EQ(testplat::ReadFile(devices.envarc() + "Tavrin.ts"),
            c.side == 0 ? Be32(seen) + Be32(7) : Be32(7) + Be32(seen));
        EXPECT_EQ(exec::GetHead(&gb_List[c.side]) == nullptr, c.fails);
        EXPECT_EQ(gui::ListBrowserLabels(gb_NewslistGad), &gb_List[c.side]);
        EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), nullptr);
        // Detached while the old entries are freed, busy while downloading.
        EXPECT_EQ(fakegui::host.calls, (std::vector<std::string> {"labels", "busy on", "busy off", "labels"}));
    }
}

// What a check from each state makes of the channels' results: the new state, the announcement and the
// channels downloaded; the dock learns the time of a check to which every watched channel came.
TEST_F(CheckTest, DecisionTable)
{
    const LONG kKept = 9; // the message code that a failed check leaves alone
    const char *const kDownloads[] = {"0@4 ", "1@4 ", "0@4 1@4 "}; // by Checklang: German first, in the check state
    const struct {
        UBYTE lang;
        LONG oldstate;
        Got german, english;
        LONG newstate, doMessage;
        std::string text;
    } kCases[] = {
        {2, State_none, Fresh, Seen, State_german, 1, kDe},
        {2, State_german, Seen, Fresh, State_ge, 2, kEn},
        {2, State_german, Seen, Seen, State_german, 0, ""}, // a result of 0 never clears a flag
        {2, State_english, Fresh, Seen, State_ge, 1, kDe},
        {2, State_ge, Fresh, Fresh, State_ge, 0, ""},
        {2, State_check, Fresh, Fresh, State_ge, 3, kBoth}, // check and no-network carry no flags
        {2, State_nonet, Seen, Fresh, State_english, 2, kEn},
        {2, State_nonet, Seen, Seen, State_none, 0, ""},
        {2, State_none, Fail, Fresh, State_nonet, kKept, ""},
        {2, State_german, Fresh, Fail, State_nonet, kKept, ""},
        // A channel that is not watched is not downloaded (here it would fail) and keeps its flag.
        {0, State_english, Fresh, Fail, State_ge, 1, kDe},
        {1, State_german, Fail, Seen, State_german, 0, ""},
    };
    for (const auto &c : kCases) {
        gb_PrefsData.Checklang = c.lang;
        gb_DoMessage = kKept;
        const Log announced
            = c.text.empty() ? Log {} : Log {"notify " + kTitle + " | " + c.text, "requester " + c.text};
        EXPECT_EQ(Check(c.oldstate, c.german, c.english), announced) << &c - kCases;
        EXPECT_EQ(dock.state.load(), c.newstate) << &c - kCases;
        EXPECT_EQ(gb_DoMessage, c.doMessage) << &c - kCases;
        EXPECT_EQ(gDownloads, kDownloads[c.lang]) << &c - kCases;
        EXPECT_EQ(gb_LastCheck.load() != 0, c.newstate != State_nonet) << &c - kCases;
    }
}

// One check after another, each announcing what was not yet announced, as the settings of its step ask.
// The list browser must never show records being freed: the list it shows is detached meanwhile and
// shown again with nothing selected; an open window is busy meanwhile.
TEST_F(CheckTest, AnnouncementsInOrderAsTheSettingsAsk)
{
    const std::string chime = devices.progdir() + "chime.8svx", missing = devices.progdir() + "%n%s.8svx";
    testplat::WriteFile(chime, "FORM");
    const std::string play = "play " + chime, end = "end " + chime, dispose = "dispose " + chime;
    const std::string notice = "notify " + kTitle + " | " + kDe, requester = "requester " + kDe;
    const std::string noLoad = "requester Fehler bei Sample laden:\n" + missing + ": No such file or directory";
    const struct {
        UBYTE request;
        bool open;
        BOOL ringhio;
        std::string sample;
        Got german;
        Log log;
    } kSteps[] = {
        {2, false, TRUE, chime, Fresh, {play, end, dispose, notice, requester}},
        {2, false, TRUE, chime, Fresh, {}}, // the same news again
        {2, false, TRUE, chime, Fail, {}},
        {1, false, TRUE, chime, Fresh, {play, end, dispose, notice}}, // again after the failure
        {1, true, TRUE, missing, Fail, {}},
        {1, true, TRUE, missing, Fresh, {noLoad, notice, requester}},
        {0, true, FALSE, missing, Fail, {}},
        {0, true, FALSE, missing, Fresh, {noLoad}},
    };
    for (const auto &step : kSteps) {
        gb_PrefsData.Request = step.request;
        gb_PrefsData.Ringhio = step.ringhio;
        Strlcpy(gb_PrefsData.Sample, step.sample.c_str(), sizeof gb_PrefsData.Sample);
        gb_Win = step.open ? gui::WM_OPEN(gb_WindowObj) : nullptr;
        gui::SetListBrowserLabels(gb_NewslistGad, &gb_List[step.open], 1);
        fakegui::host.calls.clear();
        exec::Signal(exec::FindTask(nullptr), SIGBREAKF_CTRL_D); // a stale end must not end the next sample
        EXPECT_EQ(Check(&step == kSteps ? State_none : dock.state.load(), step.german, Seen), step.log)
            << &step - kSteps;
        const Log busy = {"busy on", "labels", "labels", "busy off"}, idle = {"labels", "labels"};
        EXPECT_EQ(fakegui::host.calls, step.open ? busy : idle);
        EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), nullptr);
    }
}

} // namespace
