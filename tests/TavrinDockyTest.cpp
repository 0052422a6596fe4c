#include "TavrinDocky.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "TavrinCause.h"
#include "TavrinLocale.h"
#include "platform/FakePicture.h"
#include "platform/TestPlatform.h"
#include "platform/docky.h"
#include "platform/icon.h"

namespace {

using namespace docky;

constexpr uint32_t kBreakEF = SIGBREAKF_CTRL_E | SIGBREAKF_CTRL_F;
constexpr LONG kToday = 17872;

// The icon as the dock sees it: the six pictures loaded, the library made and a clone obtained, as the
// dock obtains and releases them.
struct DockyTest : testing::Test {
    testplat::Devices devices;
    testplat::TempDir skins;
    void *lib = nullptr;
    exec::Interface *icon = nullptr;
    TavrinDockyData placeholder {};

    void SetUp() override
    {
        testplat::Reset();
        gb_Debug = 0;
        gb_Intervall = 15;
        gb_PrgTask = exec::FindTask(nullptr);
        gb_DockyData = &placeholder;
        Strlcpy(gb_SkinPath, skins.path().c_str(), sizeof(gb_SkinPath));
        for (const char *name : {"TR0.png", "TR1.png", "TR2.png", "TR3.png", "TR4.png", "TR5.png"})
            testplat::WriteFile(skins.file(name), "picture");
        ASSERT_TRUE(LoadAllPictures());
        lib = CreateDockyLibrary();
        exec::Interface *docky = exec::GetInterface(static_cast<exec::Library *>(lib), "docky", 1);
        icon = Clone(docky);
        ASSERT_NE(icon, nullptr);
        EXPECT_NE(exec::InterfaceData(icon), exec::InterfaceData(docky)); // each clone has its own record
        EXPECT_EQ(Obtain(icon), 1u);
        EXPECT_EQ(Release(docky), 0u); // the library's own interface stays
    }
    void TearDown() override
    {
        EXPECT_EQ(Release(icon), 0u); // the clone goes with its last reference; ASan sees any later use
        DeleteDockyLibrary(lib);
        FreeAllPictures();
        gb_PrgTask = nullptr;
        gb_DockyData = nullptr;
    }
    TavrinDockyData *rec() { return static_cast<TavrinDockyData *>(exec::InterfaceData(icon)); }
    // A due time field by field: minute 1440 of one day is not minute 0 of the next.
    static auto Fields(const DateStamp &ds) { return std::tuple(ds.ds_Days, ds.ds_Minute, ds.ds_Tick); }
    static MsgData Ptr(const void *p) { return reinterpret_cast<MsgData>(p); }
    void Redraw() { EXPECT_TRUE(DockySet(icon, DOCKYSET_RedrawNow, 0)); }
    uint32_t TakeSignals() { return exec::SetSignal(0, kBreakEF) & kBreakEF; }
};

// Queries write their answer, notifications change the record or signal the program task; unknown
// ones return FALSE and change nothing.
TEST_F(DockyTest, QueriesAndNotifications)
{
    uint32_t surface[4] {};
    gui::RastPort rp {surface, 2, 2, 8}, other {surface, 1, 1, 4};
    DockyRenderDestination toRp {{64, 32}, DOCKYRENDERMODE_RP, {&rp}}, otherMode {{16, 16}, 1, {&other}};
    constexpr uint64_t kUntouched = 0xdeadbeef;
    const struct {
        bool query;
        uint32_t msgType;
        MsgData msgData; // a notification's
        bool handled;
        uint64_t answer;
        uint32_t signals;
    } kCases[] = {
        {true, DOCKYGET_GetSize, 0, true, 40ull << 32 | 48, 0}, // a clone starts with the size of TR0.png
        {true, 7, 0, false, kUntouched, 0},
        {false, DOCKYSET_RenderDestination, Ptr(&toRp), true, kUntouched, 0},
        {false, DOCKYSET_RenderDestination, Ptr(&otherMode), true, kUntouched, 0}, // sets the size only
        {false, DOCKYSET_RenderDestination, 0, false, kUntouched, 0},
        {false, DOCKYSET_DockyChange, 0, false, kUntouched, 0},
        {false, DOCKYSET_SelectChange, 1, true, kUntouched, 0}, // pressed
        {false, DOCKYSET_SelectChange, 0x00010000, true, kUntouched, SIGBREAKF_CTRL_F}, // low 16 bits count
        {false, 1009, 0, false, kUntouched, 0},
    };
    for (const auto &c : kCases) {
        uint64_t answer = kUntouched;
        bool handled = c.query ? DockyGet(icon, c.msgType, &answer) : DockySet(icon, c.msgType, c.msgData);
        EXPECT_EQ(handled, c.handled) << c.msgType;
        EXPECT_EQ(answer, c.answer) << c.msgType;
        EXPECT_EQ(TakeSignals(), c.signals) << c.msgType;
    }
    EXPECT_EQ(rec()->size.width, 16); // the size of the last destination, whatever its mode
    EXPECT_EQ(rec()->rp, &rp); // but only a RastPort is drawn into
    EXPECT_EQ(gb_DockyData.load(), rec()); // the click handed over the icon's record
}

// Without a program task yet the due time stays, and the next redraw tries again. Signals are not
// counted: several due ticks before the program task wakes are one check. Every frame-delay query
// re-arms the clock: a check falls due 3 ticks later, and the icon shows a check until then.
//
// After a suspend, a due time still behind the clock once the interval is added becomes the clock plus
// the interval: each redraw used to tick until the due time had caught up, one check per interval
// missed.
TEST_F(DockyTest, DueTimeMovesOnByTheIntervalAndAfterASuspendOneCheckNotOnePerMissedInterval)
{
    // The due time and the clock before some redraws, what they tick and the due time after them.
    const struct {
        DateStamp due;
        ULONG interval;
        DateStamp clock;
        bool task, arm;
        int redraws;
        size_t ticks; // "TICKER !" lines
        DateStamp next;
    } kCases[] = {
        {{kToday, 1430, 0}, 15, {kToday, 1430, 1}, true, false, 1, 1, {kToday + 1, 0, 0}}, // 23:50 + 15: to 0, not 5
        {{kToday, 1425, 7}, 15, {kToday, 1426, 0}, true, false, 1, 1, {kToday, 1440, 7}}, // 1440 is not above 1440
        {{kToday, 1380, 0}, 120, {kToday, 1381, 0}, true, false, 1, 1, {kToday + 1, 0, 0}},
        {{kToday, 600, 100}, 30, {kToday, 600, 101}, false, false, 1, 1, {kToday, 600, 100}},
        {{kToday, 600, 100}, 30, {kToday, 600, 100}, true, false, 1, 0, {kToday, 600, 100}}, // only a later clock
        {{kToday + 1, 0, 0}, 30, {kToday, 1439, 2999}, true, false, 1, 0, {kToday + 1, 0, 0}},
        {{kToday + 5, 0, 0}, 15, {kToday, 600, 0}, true, true, 1, 0, {kToday, 600, 3}},
        {{kToday + 5, 0, 0}, 15, {kToday, 1439, 2999}, true, true, 1, 0, {kToday + 1, 0, 2}},
        // After a suspend.
        {{kToday, 600, 0}, 15, {kToday, 720, 0}, true, false, 10, 1, {kToday, 735, 0}}, // two hours
        {{kToday, 600, 0}, 2, {kToday, 605, 9}, true, false, 10, 1, {kToday, 607, 9}}, // 5 minutes, 2-minute interval
        {{kToday, 1320, 0}, 15, {kToday + 1, 420, 0}, true, false, 10, 1, {kToday + 1, 435, 0}}, // overnight
        {{kToday, 1430, 0}, 15, {kToday + 2, 1435, 0}, true, false, 1, 1, {kToday + 3, 10, 0}}, // and over midnight
        // Minute 1440 was the day's end: the new day's first redraw used to make a second check at once.
        {{kToday, 1440, 7}, 15, {kToday + 1, 0, 8}, true, false, 10, 1, {kToday + 1, 15, 8}},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(testing::Message() << "due " << c.due.ds_Days << "/" << c.due.ds_Minute);
        rec()->ds = c.due;
        rec()->state = State_german;
        gb_Intervall = c.interval;
        gb_PrgTask = c.task ? exec::FindTask(nullptr) : nullptr;
        gb_Debug = DEBUG_DOCKY;
        testplat::SetClock(c.clock.ds_Days, c.clock.ds_Minute * 3000 + c.clock.ds_Tick);
        LONG delay = 0;
        EXPECT_EQ(c.arm && DockyGet(icon, DOCKYGET_FrameDelay, &delay), c.arm);
        EXPECT_EQ(delay, c.arm ? 30 : 0);
        testing::internal::CaptureStdout();
        for (int i = 0; i < c.redraws; i++)
            Redraw();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.size(), c.ticks * std::string("TICKER !\n").size()) << out;
        EXPECT_EQ(Fields(rec()->ds), Fields(c.next));
        EXPECT_EQ(TakeSignals(), c.task && c.ticks ? SIGBREAKF_CTRL_E : 0u);
        EXPECT_EQ(rec()->state, c.arm ? State_check : State_german);
    }
}

// The tooltip names the state, then on a line of its own when the last check went well; without network
// a further line says why the last download failed. (The dock host's test reads the tooltip of a check never
// made, through this library; the HTTPS tests read the causes with their reasons.)
TEST_F(DockyTest, TheTooltipSaysWhenAndWhy)
{
    const LONG at1405 = kToday * 1440 + 14 * 60 + 5, at0907 = kToday * 1440 + 9 * 60 + 7;
    const struct {
        LONG state, lastCheck, cause, status;
        std::string hint;
    } kCases[] = {
        {State_german, at1405, ERR_NetRefused, 0, "Neue deutsche News liegen vor !\nZuletzt geprüft: 14:05"},
        {State_nonet, at0907, ERR_NetHttpStatus, 503, "Kein Netzwerk\nZuletzt geprüft: 09:07\nHTTP-Status 503"},
        {6, at1405, ERR_NetRefused, 0, ""},
    };
    for (const auto &c : kCases) {
        rec()->state = c.state;
        gb_LastCheck = c.lastCheck;
        gb_NetCause = c.cause;
        gb_NetStatus = c.status;
        const char *hint = nullptr;
        ASSERT_TRUE(DockyGet(icon, DOCKYGET_Hint, &hint));
        EXPECT_EQ(hint, c.hint);
    }
    gb_LastCheck = gb_NetCause = gb_NetStatus = 0;
}

// Slot 0 is 48×40; the state's own picture may be larger or smaller.
TEST_F(DockyTest, EveryPictureIsDrawnWithTheSizeOfTheFirst)
{
    constexpr int32_t kSide = 80;
    std::vector<uint32_t> surface(kSide * kSide), big(64 * 64, 0xff0000ff), small(20 * 30, 0xff00ff00);
    picture::BitMap bitmaps[] = {{big.data(), 64, 64, 64 * 4}, {small.data(), 20, 30, 20 * 4}};
    gb_Bitmap[State_english] = &bitmaps[0];
    gb_Bitmap[State_check] = &bitmaps[1];
    gb_Width[State_english] = gb_Height[State_english] = 64;
    gb_Width[State_check] = 20;
    gb_Height[State_check] = 30;
    gui::RastPort rp {surface.data(), kSide, kSide, kSide * 4};
    DockyRenderDestination destination {{kSide, kSide}, DOCKYRENDERMODE_RP, {&rp}};
    ASSERT_TRUE(DockySet(icon, DOCKYSET_RenderDestination, Ptr(&destination)));
    rec()->ds = {kToday + 5, 0, 0};
    const struct {
        LONG state;
        uint32_t colour;
        int32_t width, height; // of the part drawn
    } kCases[] = {
        {State_english, 0xff0000ff, 48, 40}, {State_check, 0xff00ff00, 20, 30}, {State_none, 0, 48, 40}, {6, 0, 0, 0}};
    for (const auto &c : kCases) {
        std::fill(surface.begin(), surface.end(), 0x11223344);
        rec()->state = c.state;
        Redraw();
        for (int32_t i = 0; i < kSide * kSide; i++) {
            bool drawn = i % kSide < c.width && i / kSide < c.height;
            ASSERT_EQ(surface[size_t(i)], drawn ? c.colour : 0x11223344) << c.state << " at " << i;
        }
    }
}

// A start from the desktop: the default skin below the program's directory lacks TR3.png and TR5.png,
// which have a requester each before start-up gives up and frees the pictures that did load.
TEST_F(DockyTest, MissingPictureHasItsRequesterThenTheStartErrorAndTheOthersAreFreed)
{
    FreeAllPictures();
    std::string skin = devices.progdir() + "skins/standard/";
    std::filesystem::create_directories(skin);
    for (const char *name : {"TR0.png", "TR1.png", "TR2.png", "TR4.png"})
        testplat::WriteFile(skin + name, "picture");
    char *noToolTypes[] = {nullptr};
    icon::WBStartup wbs {"Tavrin", noToolTypes};
    EXPECT_EQ(TavrinMain(0, reinterpret_cast<char **>(&wbs)), 0);
    EXPECT_EQ(testplat::RequesterBodies(),
        (std::vector<std::string> {
            "loading picture file failed", "loading picture file failed", "Bilder können nicht geladen werden !"}));
    EXPECT_EQ(gb_Bitmap[0], nullptr);

    fakepic::SetScreenAvailable(false);
    EXPECT_FALSE(LoadAllPictures());
    EXPECT_EQ(testplat::LastRequesterBody(), "can not lock pubscreen");
}

} // namespace
