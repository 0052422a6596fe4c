#include <cstdio>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "platform/FakeGui.h"
#include "platform/TestPlatform.h"
#include "platform/application.h"

// The operations of other areas that the loop calls are replaced for this test by the linker
// (--wrap, see tests/CMakeLists.txt), so that the test sees each call and no download runs.

namespace {

std::vector<std::string> gLog;
ULONG gNewest[Arsschanel_max];
bool gBackstop;
int gChecks;

} // namespace

extern "C" {

void __wrap__Z9RenewListi(LONG side)
{
    gLog.push_back("RenewList " + std::to_string(side));
}
void __wrap__Z10DoSettingsv()
{
    gLog.push_back("DoSettings");
}
void __wrap__Z8ShowLinkv()
{
    gLog.push_back("ShowLink");
}
void __wrap__Z10ReportLinkv()
{
    gLog.push_back("ReportLink");
}
void __wrap__Z10DoSnapshotv()
{
    gLog.push_back("DoSnapshot");
}

ULONG __wrap__Z8GetMaxTSPN4exec4ListEj(exec::List *list, ULONG maxold)
{
    long ch = list - gb_List;
    gLog.push_back("GetMaxTS " + std::to_string(ch));
    return gNewest[ch] > maxold ? gNewest[ch] : maxold;
}

// Counts the passes of the loop: every pass that sees SIGBREAKF_CTRL_E calls it, and with the
// backstop on it asks for one more pass that ends the loop.
void __wrap__Z14CheckToAllNewsv()
{
    gChecks++;
    if (gBackstop)
        exec::Signal(exec::FindTask(nullptr), SIGBREAKF_CTRL_C | SIGBREAKF_CTRL_E);
}

} // extern "C"

namespace {

using fakegui::WinState;
using Log = std::vector<std::string>;

constexpr ULONG GadgetUp(ULONG id)
{
    return gui::WMHI_GADGETUP | id;
}
constexpr ULONG MenuPick(ULONG number)
{
    return gui::WMHI_MENUPICK | number;
}
constexpr ULONG RawKey(ULONG key)
{
    return gui::WMHI_RAWKEY | key;
}

const char AboutBody[] = "Kestrel Review Omni AmigaOS 4\n"
                         "Tavrin 1.05 (28.10.2019)\n"
                         "\n"
                         "Freeware \xC2\xA9 2019 Tavrin-Team\n"
                         "\n"
                         "Programm: Lena Brandt\n"
                         "Grafiken: Tomas Wiik\n"
                         "Samples: Mara Okafor\n"
                         "Deutscher Catalog: Jonas Falk\n"
                         "https://kestrel-review.example/tavrin";

class LoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        fakegui::Reset();
        gLog.clear();
        messages.clear();
        gChecks = 0;
        gBackstop = false;
        std::memset(gNewest, 0, sizeof(gNewest));

        const uint32_t buttons[] = {1, 2, 3, 5, 6};
        gui::LayoutMember members[6];
        for (int i = 0; i < 5; i++)
            members[i] = {gui::NewButton(buttons[i], "button"), 0};
        members[5] = {gui::NewListBrowser(4, nullptr), 95};
        gui::WindowSpec desc = {};
        desc.title = "Tavrin";
        desc.layout = gui::NewLayout(gui::LayoutSpec {}, members, 6);
        gb_WindowObj = gui::NewWindowObject(desc);
        ASSERT_NE(gb_WindowObj, nullptr);
        gb_NewslistGad = fakegui::FindGadget(gb_WindowObj, 4);
        gb_Win = nullptr;
        gb_AppPort = exec::CreatePort();
        gb_DockPort = exec::CreatePort();
        replyPort = exec::CreatePort();
        for (auto &list : gb_List)
            exec::NewList(&list);
        dockydata.state = State_none;
        gb_DockyData = &dockydata;
        gb_Iconify = FALSE;
        std::memset(&gb_PrefsData, 0, sizeof(gb_PrefsData));
        gb_TS[0] = gb_TS[1] = gb_TS[2] = 0;
        gb_Debug = 0;
    }

    void TearDown() override
    {
        gui::DisposeObject(gb_WindowObj);
        gb_WindowObj = nullptr;
        gb_NewslistGad = nullptr;
        gb_Win = nullptr;
        exec::DeletePort(gb_AppPort);
        exec::DeletePort(gb_DockPort);
        // Replied messages point back at the reply port, so it is emptied before it goes.
        Replies();
        exec::DeletePort(replyPort);
        gb_AppPort = gb_DockPort = nullptr;
        gb_DockyData = nullptr;
        fakegui::Reset();
        testplat::Reset();
    }

    // Runs the loop with `sigs` raised and returns the number of passes it made: 1 when the first
    // pass ended it, 2 when a further pass (ended by the backstop) was needed.
    int Run(ULONG sigs = 0)
    {
        gBackstop = true;
        gChecks = 0;
        exec::Signal(exec::FindTask(nullptr), sigs | SIGBREAKF_CTRL_E);
        MsgLoop();
        gBackstop = false;
        // What the backstop raised in the last pass is not for the next run.
        exec::SetSignal(0, SIGBREAKF_CTRL_C | SIGBREAKF_CTRL_E);
        return gChecks;
    }

    void OpenWindow()
    {
        fakegui::SetState(gb_WindowObj, WinState::Open);
        gb_Win = gui::WM_OPEN(gb_WindowObj);
        fakegui::ClearCalls();
    }

    void FillLists()
    {
        exec::AddTail(&gb_List[0], &entries[0]);
        exec::AddTail(&gb_List[1], &entries[1]);
    }

    void Input(ULONG result, UWORD qual = 0) { fakegui::PushInput(gb_WindowObj, result, qual); }

    exec::Message *Post(exec::MsgPort *port, const char *name, uint32_t type = 0)
    {
        auto &msg = messages.emplace_back();
        msg.mn_Node.ln_Name = const_cast<char *>(name);
        msg.mn_ReplyPort = replyPort;
        msg.type = type;
        exec::PutMsg(port, &msg);
        return &msg;
    }

    int Replies()
    {
        int n = 0;
        while (exec::GetMsg(replyPort))
            n++;
        return n;
    }

    std::string Timestamps() const { return testplat::ReadFile(dev.envarc() + "Tavrin.ts"); }
    bool TimestampsSaved() const { return testplat::FileExists(dev.envarc() + "Tavrin.ts"); }
    exec::List *Shown() const { return fakegui::Labels(gb_NewslistGad); }

    testplat::Devices dev;
    TavrinDockyData dockydata {};
    exec::MsgPort *replyPort = nullptr;
    exec::Node entries[2];
    std::deque<exec::Message> messages;
};

struct GadgetCase {
    UBYTE checklang;
    ULONG id;
    ULONG relEvent;
    Log calls;
    int shown; // the channel whose list is shown, or -1
};

TEST_F(LoopTest, GadgetTable)
{
    const GadgetCase cases[] = {
        {0, 1, 0, {"GetMaxTS 0"}, 0},
        {2, 1, 0, {"GetMaxTS 0"}, 0},
        {1, 1, 0, {"RenewList 0"}, -1},
        {1, 2, 0, {"GetMaxTS 1"}, 1},
        {2, 2, 0, {"GetMaxTS 1"}, 1},
        {0, 2, 0, {"RenewList 1"}, -1},
        {0, 3, 0, {"DoSettings"}, -1},
        {0, 4, gui::LBRE_DOUBLECLICK, {"ShowLink"}, -1},
        {0, 4, gui::LBRE_NORMAL, {}, -1},
        {0, 5, 0, {"ShowLink"}, -1},
        {0, 6, 0, {"ReportLink"}, -1},
        {0, 0, 0, {}, -1},
        {0, 7, 0, {}, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "checklang " << int(c.checklang) << " gadget " << c.id);
        OpenWindow();
        gLog.clear();
        gb_PrefsData.Checklang = c.checklang;
        fakegui::SetRelEvent(gb_NewslistGad, c.relEvent);
        gui::SetListBrowserLabels(gb_NewslistGad, nullptr, 5);
        std::remove((dev.envarc() + "Tavrin.ts").c_str());

        Input(GadgetUp(c.id));
        EXPECT_EQ(Run(), 2);
        EXPECT_EQ(gLog, c.calls);
        EXPECT_EQ(Shown(), c.shown < 0 ? nullptr : &gb_List[c.shown]);
        EXPECT_EQ(TimestampsSaved(), c.shown >= 0);
    }
}

TEST_F(LoopTest, AboutShowsTheProgramAndGoesOn)
{
    OpenWindow();
    Input(MenuPick(0xF800));
    EXPECT_EQ(Run(), 2);
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body, AboutBody);
    EXPECT_EQ(testplat::Requesters()[0].button, "Ok");
    EXPECT_EQ(testplat::Requesters()[0].title, "Tavrin");
}

TEST_F(LoopTest, OtherMenuNumbersDoNothing)
{
    OpenWindow();
    for (ULONG number : {0xF840u, 0xF801u, 0xF821u, gui::MENUNULL})
        Input(MenuPick(number));
    EXPECT_EQ(Run(), 2);
    EXPECT_TRUE(testplat::Requesters().empty());
    EXPECT_EQ(fakegui::Calls(), Log {});
    EXPECT_NE(gb_Win, nullptr);
}

enum class Action { QuitMenu, Close, QuitMessage, ForceQuitMessage, OtherMessage, BreakC };

struct EndCase {
    const char *name;
    Action action;
    bool windowOpen;
    BOOL savewin;
    BOOL iconify;
    int passes;
    Log calls; // program calls
    Log guiCalls; // window calls
};

// Every way of ending, or not ending, the program from the window, the application port and
// the break signal.
TEST_F(LoopTest, EndingTable)
{
    const EndCase cases[] = {
        {"quit menu", Action::QuitMenu, true, TRUE, FALSE, 1, {"DoSnapshot"}, {"close"}},
        {"quit menu without savewin", Action::QuitMenu, true, FALSE, FALSE, 1, {}, {"close"}},
        {"quit menu while closed", Action::QuitMenu, false, TRUE, FALSE, 1, {"DoSnapshot"}, {}},
        {"close in dock mode", Action::Close, true, TRUE, FALSE, 2, {"DoSnapshot"}, {"close"}},
        {"close in window mode", Action::Close, true, FALSE, TRUE, 1, {}, {"close"}},
        {"quit message", Action::QuitMessage, true, TRUE, FALSE, 1, {"DoSnapshot"}, {"close"}},
        {"force quit message", Action::ForceQuitMessage, true, FALSE, FALSE, 1, {}, {"close"}},
        {"quit while iconified", Action::QuitMessage, false, FALSE, TRUE, 1, {}, {}},
        {"other message", Action::OtherMessage, true, TRUE, FALSE, 2, {}, {}},
        {"break C leaves the window", Action::BreakC, true, TRUE, FALSE, 1, {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.windowOpen)
            OpenWindow();
        else if (c.iconify)
            fakegui::SetState(gb_WindowObj, WinState::Iconified);
        gb_PrefsData.Savewin = c.savewin;
        gb_Iconify = c.iconify;

        ULONG sigs = 0;
        switch (c.action) {
        case Action::QuitMenu:
            Input(MenuPick(0xF820));
            break;
        case Action::Close:
            Input(gui::WMHI_CLOSEWINDOW);
            break;
        case Action::QuitMessage:
            Post(gb_DockPort, nullptr, application::APPLIBMT_Quit);
            break;
        case Action::ForceQuitMessage:
            Post(gb_DockPort, nullptr, application::APPLIBMT_ForceQuit);
            break;
        case Action::OtherMessage:
            Post(gb_DockPort, nullptr, 7);
            break;
        case Action::BreakC:
            sigs = SIGBREAKF_CTRL_C;
            break;
        }
        EXPECT_EQ(Run(sigs), c.passes);
        EXPECT_EQ(gLog, c.calls);
        EXPECT_EQ(fakegui::Calls(), c.guiCalls);
        EXPECT_EQ(gb_Win != nullptr, c.windowOpen && c.guiCalls.empty());
        EXPECT_EQ(Replies(), int(messages.size()));
    }
}

TEST_F(LoopTest, IconifyAndUniconify)
{
    gb_Iconify = TRUE;
    FillLists();
    OpenWindow();
    Input(gui::WMHI_ICONIFY);
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(gb_Win, nullptr);
    EXPECT_EQ(fakegui::State(gb_WindowObj), WinState::Iconified);

    // Restoring comes as window input while the window is iconified.
    Input(gui::WMHI_UNICONIFY);
    EXPECT_EQ(Run(), 2);
    EXPECT_NE(gb_Win, nullptr);
    EXPECT_EQ(fakegui::Calls(), (Log {"iconify", "open"}));
    EXPECT_EQ(gLog, Log {});
}

TEST_F(LoopTest, UniconifyWithAnEmptyListFetchesTheNews)
{
    gb_Iconify = TRUE;
    fakegui::SetState(gb_WindowObj, WinState::Iconified);
    exec::AddTail(&gb_List[0], &entries[0]);
    gb_PrefsData.Checklang = 2;
    gb_PrefsData.Openshow = 2;
    Input(gui::WMHI_UNICONIFY);
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(gLog, (Log {"RenewList 0", "RenewList 1"}));
    EXPECT_EQ(fakegui::Calls(), (Log {"open", "labels"}));
    EXPECT_EQ(Shown(), nullptr);
}

TEST_F(LoopTest, FailedIconifyKeepsTheWindowOpen)
{
    OpenWindow();
    fakegui::FailIconify(true);
    Input(gui::WMHI_ICONIFY);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can not iconify window :-(\n");
    EXPECT_NE(gb_Win, nullptr);
}

TEST_F(LoopTest, FailedUniconifyEndsTheProgram)
{
    gb_Iconify = TRUE;
    fakegui::SetState(gb_WindowObj, WinState::Iconified);
    fakegui::FailOpen(true);
    Input(gui::WMHI_UNICONIFY);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can not reopen window :-(\n");
}

TEST_F(LoopTest, DoIconifyAtStart)
{
    gb_Iconify = TRUE;
    gb_Win = gui::WM_OPEN(gb_WindowObj);
    DoIconify();
    EXPECT_EQ(gb_Win, nullptr);
    EXPECT_EQ(fakegui::State(gb_WindowObj), WinState::Iconified);

    fakegui::FailIconify(true);
    testing::internal::CaptureStdout();
    DoIconify();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can not iconify window :-(\n");
}

struct PortCase {
    const char *name; // null: an unnamed message
    bool open;
};

// Only a message named exactly "wakeup" calls the window up; every message is replied.
TEST_F(LoopTest, PublicPortMessages)
{
    const PortCase cases[] = {
        {"wakeup", true},
        {nullptr, false},
        {"", false},
        {"Wakeup", false},
        {"wakeup ", false},
        {"wake", false},
    };
    gb_PrefsData.Openshow = 2;
    FillLists();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(unnamed)");
        fakegui::SetState(gb_WindowObj, WinState::Closed);
        gb_Win = nullptr;
        fakegui::ClearCalls();
        messages.clear();
        Post(gb_AppPort, c.name);
        EXPECT_EQ(Run(), 2);
        EXPECT_EQ(fakegui::Calls(), c.open ? (Log {"open", "labels"}) : Log {});
        EXPECT_EQ(Replies(), 1);
    }
}

TEST_F(LoopTest, WakeupRaisesAnOpenWindow)
{
    OpenWindow();
    Post(gb_AppPort, "wakeup");
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(fakegui::Calls(), (Log {"front", "activate"}));
}

// A wakeup in the same wake-up as a break signal does not swallow it.
TEST_F(LoopTest, WakeupKeepsTheOtherSignalsOfThePass)
{
    gb_PrefsData.Openshow = 2;
    FillLists();
    Post(gb_AppPort, "wakeup");
    EXPECT_EQ(Run(SIGBREAKF_CTRL_C), 1);
    EXPECT_EQ(gChecks, 1);
    EXPECT_EQ(fakegui::Calls(), (Log {"open", "labels"}));
}

TEST_F(LoopTest, BreakSignals)
{
    // E: one check per pass, whatever number of signals came.
    exec::Signal(exec::FindTask(nullptr), SIGBREAKF_CTRL_E);
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(fakegui::Calls(), Log {});

    // F with the window open: to the front.
    OpenWindow();
    EXPECT_EQ(Run(SIGBREAKF_CTRL_F), 2);
    EXPECT_EQ(fakegui::Calls(), (Log {"front", "activate"}));

    // F with a window that cannot be opened: nothing more happens.
    gb_Win = nullptr;
    fakegui::SetState(gb_WindowObj, WinState::Closed);
    fakegui::ClearCalls();
    fakegui::FailOpen(true);
    EXPECT_EQ(Run(SIGBREAKF_CTRL_F), 2);
    EXPECT_EQ(fakegui::Calls(), Log {"open failed"});
    EXPECT_EQ(gb_Win, nullptr);
    EXPECT_EQ(gLog, Log {});
}

struct OpenshowCase {
    UBYTE openshow;
    LONG stateBefore, stateAfter;
    ULONG ts0, ts1;
    int shown;
};

// Opening the window with both lists filled shows the chosen channel and marks only it as seen.
TEST_F(LoopTest, OpenshowTable)
{
    const OpenshowCase cases[] = {
        {0, State_ge, State_english, 1000, 50, 0},
        {1, State_ge, State_german, 40, 2000, 1},
        {2, State_ge, State_ge, 40, 50, -1},
        {1, State_english, State_none, 40, 2000, 1},
        {0, State_english, State_english, 1000, 50, 0},
    };
    gNewest[0] = 1000;
    gNewest[1] = 2000;
    FillLists();
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "openshow " << int(c.openshow) << " state " << c.stateBefore);
        gb_Win = nullptr;
        fakegui::SetState(gb_WindowObj, WinState::Closed);
        std::remove((dev.envarc() + "Tavrin.ts").c_str());
        gb_TS[0] = 40;
        gb_TS[1] = 50;
        dockydata.state = c.stateBefore;
        gb_PrefsData.Openshow = c.openshow;

        EXPECT_EQ(Run(SIGBREAKF_CTRL_F), 2);
        EXPECT_EQ(dockydata.state.load(), c.stateAfter);
        EXPECT_EQ(gb_TS[0], c.ts0);
        EXPECT_EQ(gb_TS[1], c.ts1);
        EXPECT_EQ(Shown(), c.shown < 0 ? nullptr : &gb_List[c.shown]);
        EXPECT_EQ(fakegui::Selected(gb_NewslistGad), -1);
        if (c.shown < 0) {
            EXPECT_FALSE(TimestampsSaved());
        } else {
            const unsigned char expected[8]
                = {0, 0, UBYTE(c.ts0 >> 8), UBYTE(c.ts0), 0, 0, UBYTE(c.ts1 >> 8), UBYTE(c.ts1)};
            EXPECT_EQ(Timestamps(), std::string(reinterpret_cast<const char *>(expected), 8));
        }
    }
}

// With a list still empty the news are fetched first, for the channels the check covers.
TEST_F(LoopTest, OpeningWithAnEmptyListFetchesFirst)
{
    const struct {
        UBYTE checklang, openshow;
        Log calls;
    } cases[] = {
        {0, 0, {"RenewList 0", "GetMaxTS 0", "GetMaxTS 0"}},
        {1, 1, {"RenewList 1", "GetMaxTS 1", "GetMaxTS 1"}},
        {2, 2, {"RenewList 0", "RenewList 1"}},
        {3, 2, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "checklang " << int(c.checklang));
        gb_Win = nullptr;
        gLog.clear();
        gb_PrefsData.Checklang = c.checklang;
        gb_PrefsData.Openshow = c.openshow;
        EXPECT_EQ(Run(SIGBREAKF_CTRL_F), 2);
        EXPECT_EQ(gLog, c.calls);
    }
}

TEST_F(LoopTest, CheckNewsAtStartNeedsAnOpenWindow)
{
    gb_PrefsData.Checklang = 2;
    CheckNewsAtStart();
    EXPECT_EQ(gLog, Log {});
}

// The flag arithmetic of viewing a channel, including the two states that are not news flags.
TEST_F(LoopTest, DockFlagArithmetic)
{
    const struct {
        LONG before;
        ULONG gadget;
        LONG after;
    } cases[] = {
        {State_none, 1, State_none},
        {State_german, 1, State_none},
        {State_english, 1, State_english},
        {State_ge, 1, State_english},
        {State_check, 1, State_check},
        {State_nonet, 1, State_check},
        {State_german, 2, State_german},
        {State_english, 2, State_none},
        {State_ge, 2, State_german},
        {State_nonet, 2, State_nonet},
    };
    OpenWindow();
    gb_PrefsData.Checklang = 2;
    for (const auto &c : cases) {
        dockydata.state = c.before;
        Input(GadgetUp(c.gadget));
        EXPECT_EQ(Run(), 2);
        EXPECT_EQ(dockydata.state.load(), c.after) << "state " << c.before << " gadget " << c.gadget;
    }
}

struct KeyPress {
    ULONG key;
    UWORD qual;
};

// The hidden sequence: two plain keys, then the third with the one qualifier.
TEST_F(LoopTest, HiddenKeySequence)
{
    constexpr ULONG K1 = 0x27, K2 = 0x13, K3 = 0x34, Other = 0x20;
    constexpr UWORD Ctrl = gui::IEQUALIFIER_CONTROL, Shift = gui::IEQUALIFIER_LSHIFT;
    const struct {
        const char *name;
        std::vector<KeyPress> keys;
        int shows;
    } cases[] = {
        {"complete", {{K1, 0}, {K2, 0}, {K3, Ctrl}}, 1},
        {"third key repeats", {{K1, 0}, {K2, 0}, {K3, Ctrl}, {K3, Ctrl}}, 2},
        {"third key without qualifier", {{K1, 0}, {K2, 0}, {K3, 0}}, 0},
        {"third key with two qualifiers", {{K1, 0}, {K2, 0}, {K3, Ctrl | Shift}}, 0},
        {"qualifier on the first key", {{K1, Shift}, {K2, 0}, {K3, Ctrl}}, 0},
        {"wrong order", {{K2, 0}, {K1, 0}, {K3, Ctrl}}, 0},
        {"first key twice resets", {{K1, 0}, {K1, 0}, {K2, 0}, {K3, Ctrl}}, 0},
        {"reset then complete", {{Other, 0}, {K1, 0}, {K2, 0}, {K3, Ctrl}}, 1},
        {"other key after the switch resets", {{K1, 0}, {K2, 0}, {K3, Ctrl}, {Other, 0}, {K3, Ctrl}}, 1},
        {"releases and modifiers are no presses",
            {{K1, 0}, {K1 | 0x80, 0}, {K2, 0}, {0x63, Ctrl}, {K3, Ctrl}, {K3 | 0x80, Ctrl}}, 1},
    };
    OpenWindow();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        gLog.clear();
        for (const auto &k : c.keys)
            Input(RawKey(k.key), k.qual);
        EXPECT_EQ(Run(), 2);
        EXPECT_EQ(gLog, Log(c.shows, "RenewList 2"));
    }
}

} // namespace
