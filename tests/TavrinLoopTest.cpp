#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "TavrinSeams.h"
#include "platform/FakeGui.h"
#include "platform/TestPlatform.h"
#include "platform/application.h"

// The loop's actions are replaced for this test (gb_LoopActions), so that the test sees each call and no
// download runs.

using Log = std::vector<std::string>;
static Log gLog;
static int gChecks;

// Every pass that sees SIGBREAKF_CTRL_E comes to CheckToAllNews and asks for one more pass that ends the
// loop. A third pass is a loop that did not end when told: it is stopped at once, not by the test's
// time-out.
struct LoopRanOn { };
static const TavrinLoopActions kLoggers = {
    [](LONG side) { gLog.push_back("RenewList " + std::to_string(side)); },
    [] { gLog.push_back("DoSettings"); },
    [] { gLog.push_back("ShowLink"); },
    [] { gLog.push_back("ReportLink"); },
    [] { gLog.push_back("DoSnapshot"); },
    [] {
        if (++gChecks > 2)
            throw LoopRanOn {};
        exec::Signal(exec::FindTask(nullptr), SIGBREAKF_CTRL_C | SIGBREAKF_CTRL_E);
    },
};

namespace {

// How a case starts; Lang1 and Lang2 give Checklang 1 or 2 (else 0), Show0 and Show1 Openshow 0 or 1 (else 2).
constexpr int Closed = 0, Open = 1, WinMode = 2, Empty = 4, CantOpen = 8, DoubleClick = 16, Lang1 = 32, Lang2 = 64,
              Show0 = 128, Show1 = 256;
enum Target { Win, Public, Dock, Sig };
struct Event {
    Target to;
    ULONG value;
    UWORD qual = 0; // window input: the raw key's qualifier
    const char *name = nullptr; // public port: the message's name
};
constexpr ULONG GadgetUp = gui::WMHI_GADGETUP, MenuPick = gui::WMHI_MENUPICK, RawKey = gui::WMHI_RAWKEY;

class LoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        gb_NewslistGad = gui::NewListBrowser(4, nullptr);
        gui::LayoutMember member = {gb_NewslistGad, 0};
        gb_WindowObj = gui::NewWindowObject({.layout = gui::NewLayout({}, &member, 1)});
        gb_AppPort = exec::CreatePort();
        gb_DockPort = exec::CreatePort();
        gb_DockyData = &dock;
        gb_LoopActions = kLoggers;
    }
    void TearDown() override
    {
        gb_LoopActions = gb_RealLoopActions;
        gui::DisposeObject(gb_WindowObj);
        gb_WindowObj = gb_NewslistGad = nullptr;
        exec::DeletePort(gb_AppPort);
        exec::DeletePort(gb_DockPort);
    }

    // Signals left over are dropped. Savewin is on: a quit or close snapshots.
    void Start(int flags)
    {
        testplat::Reset();
        gLog.clear();
        gb_NewslistGad->relEvent = (flags & DoubleClick) ? gui::LBRE_DOUBLECLICK : gui::LBRE_NORMAL;
        for (int ch = 0; ch < Arsschanel_max; ch++) {
            exec::NewList(&gb_List[ch]);
            if (ch < 2 && !(flags & Empty)) {
                entries[ch].node.ln_Name = reinterpret_cast<char *>(&entries[ch].record);
                exec::AddTail(&gb_List[ch], &entries[ch].node);
            }
        }
        gb_PrefsData = {.Checklang = UBYTE((flags & (Lang1 | Lang2)) / Lang1),
            .Openshow = UBYTE(flags & Show0 ? 0
                    : flags & Show1         ? 1
                                            : 2),
            .Savewin = TRUE};
        std::filesystem::remove(dev.envarc() + "Tavrin.ts");
        gui::SetListBrowserLabels(gb_NewslistGad, nullptr, -1);
        gb_TS[0] = gb_TS[1] = 0;
        gb_Iconify = (flags & WinMode) ? TRUE : FALSE;
        gb_Win = (flags & Open) ? gui::WM_OPEN(gb_WindowObj) : nullptr;
        fakegui::host.failOpen = flags & CantOpen;
        fakegui::host.calls.clear();
    }

    // Runs the loop and returns its passes: 1 when the first pass ended it, else 2. A channel that the
    // loop marked seen, the one the list shows and a saved timestamp file are logged at the end. Messages have no
    // reply port, so ReplyMsg frees them: one that is taken and never replied leaks (the sanitizers
    // report it).
    int Run(const std::vector<Event> &events)
    {
        ULONG sigs = SIGBREAKF_CTRL_E;
        for (const Event &e : events) {
            if (e.to == Sig)
                sigs |= e.value;
            else if (e.to == Win)
                fakegui::PushInput(gb_WindowObj, e.value, e.qual);
            else
                exec::PutMsg(e.to == Public ? gb_AppPort : gb_DockPort,
                    new exec::Message {{nullptr, nullptr, const_cast<char *>(e.name)}, nullptr, e.value});
        }
        gChecks = 0;
        exec::Signal(exec::FindTask(nullptr), sigs);
        try {
            MsgLoop();
        } catch (const LoopRanOn &) {
            ADD_FAILURE() << "the loop did not end on SIGBREAKF_CTRL_C";
        }
        for (int ch = 0; ch < 2; ch++) {
            if (gb_TS[ch])
                gLog.push_back("seen " + std::to_string(ch));
            if (gui::ListBrowserLabels(gb_NewslistGad) == &gb_List[ch])
                gLog.push_back("shows " + std::to_string(ch));
        }
        if (testplat::FileExists(dev.envarc() + "Tavrin.ts"))
            gLog.push_back("saved");
        return gChecks;
    }

    testplat::Devices dev;
    TavrinDockyData dock {};
    // The newest entries of the two channels are 1000 and 2000.
    struct {
        TavrinData record;
        exec::Node node;
    } entries[2] = {{{.timestamp = 1000}, {}}, {{.timestamp = 2000}, {}}};
};

TEST_F(LoopTest, EventTable)
{
    const Event CtrlC = {Sig, SIGBREAKF_CTRL_C}, CtrlF = {Sig, SIGBREAKF_CTRL_F};
    // The hidden sequence: two plain keys, then the third with exactly the one qualifier. Releases and
    // the modifier keys themselves are no key presses.
    const UWORD Ctrl = gui::IEQUALIFIER_CONTROL;
    const Event K1 = {Win, RawKey | 0x27}, K2 = {Win, RawKey | 0x13}, K3 = {Win, RawKey | 0x34, Ctrl};
    const struct {
        const char *name;
        int start;
        std::vector<Event> events;
        int passes;
        Log calls, guiCalls;
        bool openAfter;
        size_t requesters = 0;
    } cases[] = {
        {"German shown", Open, {{Win, GadgetUp | 1}}, 2, {"seen 0", "shows 0", "saved"}, {"labels"}, true},
        {"German fetched", Open | Lang1, {{Win, GadgetUp | 1}}, 2, {"RenewList 0"}, {}, true},
        {"English shown", Open | Lang2, {{Win, GadgetUp | 2}}, 2, {"seen 1", "shows 1", "saved"}, {"labels"}, true},
        {"English fetched", Open, {{Win, GadgetUp | 2}}, 2, {"RenewList 1"}, {}, true},
        {"settings", Open, {{Win, GadgetUp | 3}}, 2, {"DoSettings"}, {}, true},
        {"list double-click", Open | DoubleClick, {{Win, GadgetUp | 4}}, 2, {"ShowLink"}, {}, true},
        {"list single release", Open, {{Win, GadgetUp | 4}}, 2, {}, {}, true},
        {"show", Open, {{Win, GadgetUp | 5}}, 2, {"ShowLink"}, {}, true},
        {"report", Open, {{Win, GadgetUp | 6}}, 2, {"ReportLink"}, {}, true},
        {"about, other menus", Open,
            {{Win, MenuPick | 0xF800}, {Win, MenuPick | 0xF840}, {Win, MenuPick | gui::MENUNULL}}, 2, {}, {}, true, 1},
        {"quit menu", Open, {{Win, MenuPick | 0xF820}}, 1, {"DoSnapshot"}, {"close"}, false},
        {"close, dock mode", Open, {{Win, gui::WMHI_CLOSEWINDOW}}, 2, {"DoSnapshot"}, {"close"}, false},
        {"close, window mode", Open | WinMode, {{Win, gui::WMHI_CLOSEWINDOW}}, 1, {"DoSnapshot"}, {"close"}, false},
        {"quit while iconified", WinMode, {{Dock, application::APPLIBMT_Quit}}, 1, {"DoSnapshot"}, {}, false},
        {"force quit", Open, {{Dock, application::APPLIBMT_ForceQuit}}, 1, {"DoSnapshot"}, {"close"}, false},
        {"iconify", Open | WinMode, {{Win, gui::WMHI_ICONIFY}}, 2, {}, {"iconify"}, false},
        {"uniconify", WinMode, {{Win, gui::WMHI_UNICONIFY}}, 2, {}, {"open"}, true},
        {"uniconify fails", WinMode | CantOpen, {{Win, gui::WMHI_UNICONIFY}}, 1, {}, {"open failed"}, false},
        {"wakeup", Closed, {{Public, 0, 0, "wakeup"}}, 2, {}, {"open", "labels"}, true},
        {"no wakeup", Closed, {{Public}, {Public, 0, 0, "Wakeup"}, {Public, 0, 0, "wakeup "}}, 2, {}, {}, false},
        {"wakeup keeps CTRL_C", Closed, {{Public, 0, 0, "wakeup"}, CtrlC}, 1, {}, {"open", "labels"}, true},
        {"CTRL_F opens", Closed, {CtrlF}, 2, {}, {"open", "labels"}, true},
        {"CTRL_F opens on German", Closed | Show0, {CtrlF}, 2, {"seen 0", "shows 0", "saved"}, {"open", "labels"},
            true},
        {"CTRL_F opens on English", Closed | Show1, {CtrlF}, 2, {"seen 1", "shows 1", "saved"}, {"open", "labels"},
            true},
        {"CTRL_F raises", Open, {CtrlF}, 2, {}, {"front", "activate"}, true},
        {"empty lists", Empty | Lang2, {CtrlF}, 2, {"RenewList 0", "RenewList 1"}, {"open", "labels", "labels"}, true},
        {"hidden keys", Open, {K1, K2, K3, K3}, 2, {"RenewList 2", "RenewList 2"}, {}, true},
        {"third key plain", Open, {K1, K2, {Win, K3.value}}, 2, {}, {}, true},
        {"two qualifiers", Open, {K1, K2, {Win, K3.value, Ctrl | gui::IEQUALIFIER_LSHIFT}}, 2, {}, {}, true},
        {"first key twice resets", Open, {K1, K1, K2, K3}, 2, {}, {}, true},
        {"other key resets", Open, {K1, K2, K3, {Win, RawKey | 0x20}, K3}, 2, {"RenewList 2"}, {}, true},
        {"not presses", Open, {K1, {Win, K1.value | 0x80}, K2, {Win, RawKey | 0x63, Ctrl}, K3}, 2, {"RenewList 2"}, {},
            true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.start);
        EXPECT_EQ(Run(c.events), c.passes);
        EXPECT_EQ(gLog, c.calls);
        EXPECT_EQ(fakegui::host.calls, c.guiCalls);
        EXPECT_EQ(gb_Win != nullptr, c.openAfter);
        EXPECT_EQ(testplat::Requesters().size(), c.requesters);
    }
}

} // namespace
