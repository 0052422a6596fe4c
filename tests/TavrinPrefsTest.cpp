#include <cstddef>
#include <gtest/gtest.h>
#include <string>

#include "EntryList.h"
#include "platform/FakeGui.h"
#include "platform/host.h"

// The settings window on the test host: the user's part is played in the open window, the outcome
// read from the record, the geometry and the settings file.

namespace {

using namespace std::string_literals;

constexpr size_t Record = 16; // the record's offset in the file
constexpr ULONG Closed = 0xffff; // stands for the close the host reports on a quit from outside

// Each visit starts from the stored file loaded into the record. In the open window the notification
// box is disabled only on an old system; then the gadgets are used in turn. The file and the window's
// left edge are checked afterwards.
TEST(PrefsTest, Visits)
{
    testplat::Devices dev;
    const std::string conf = dev.envarc() + "Tavrin.conf";
    // Longer than a save writes, so that a file left alone is told from one written again.
    const std::string saved = TestData("config/Tavrin.conf"), stored = saved + std::string(8, '\x55');
    gui::LayoutMember member = {gui::NewButton(GID_Prefs, "_Prefs"), 0};
    gb_WindowObj = gui::NewWindowObject({.layout = gui::NewLayout({}, &member, 1)});
    gb_Win = gui::WM_OPEN(gb_WindowObj);
    const std::string longPath = "/" + std::string(249, 'p'), fullPath = "/a:b/" + std::string(194, 'p');
    const auto patched
        = [&](size_t at, const std::string &bytes) { return std::string(saved).replace(at, bytes.size(), bytes); };
    const struct {
        const char *name;
        std::vector<ULONG> used; // empty: the window does not open
        std::string chosen; // what the file requesters return ("": cancelled)
        std::string file;
        LONG left;
        UWORD version = 54;
        std::string requester = {};
    } cases[] = {
        {"cancel", {GID_Cancel}, "", stored, -20},
        {"save unchanged", {GID_Save}, "", saved, -20},
        {"a long path is refused, the old one kept", {GID_Sample, GID_Save}, longPath, saved, -20, 54,
            "Der gewählte Pfad ist zu lang (höchstens 199 Zeichen); die bisherige Wahl bleibt."},
        {"a path that just fits", {GID_Browser, GID_Save}, fullPath,
            patched(Record + offsetof(TavrinPrefs, Browser), fullPath + '\0'), -20},
        // The fake main window stands at 250, 250 with 300 x 150 inside.
        {"snapshot, cancel", {GID_Snapshot, GID_Cancel}, "", stored, 250},
        {"snapshot, quit from outside", {GID_Snapshot, Closed}, "", stored, 250},
        {"snapshot, save", {GID_Snapshot, GID_Save}, "", patched(0, "\0\0\0\xFA\0\0\0\xFA\0\0\x01\x2C\0\0\0\x96"s),
            250},
        {"unsnapshot, save", {GID_Unsnapshot, GID_Save}, "", patched(0, std::string(16, '\0')), 0},
        {"old system", {GID_Save}, "", patched(Record + offsetof(TavrinPrefs, Ringhio), "\0\0"s), -20, 52},
        {"window does not open", {}, "", stored, -20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        testplat::Reset();
        exec_host::SetVersion(c.version, 0);
        testplat::WriteFile(conf, stored);
        LoadConfig();
        fakegui::host = {.failOpen = c.used.empty(), .nextFile = c.chosen};
        fakegui::host.onOpen = [&](gui::Object *win) {
            if (win != gb_PrefsWindowObj)
                return;
            EXPECT_EQ(gui::GetGadgetAttr(gb_RinghioGad, gui::GA_Disabled), c.version < 53 ? 1u : 0u);
            for (ULONG id : c.used)
                fakegui::PushInput(gb_PrefsWindowObj, id == Closed ? gui::WMHI_CLOSEWINDOW : gui::WMHI_GADGETUP | id);
        };
        DoSettings();
        EXPECT_EQ(testplat::ReadFile(conf), c.file);
        EXPECT_EQ(gb_WinLeft, c.left);
        EXPECT_EQ(fakegui::host.calls.back(), "busy off");
        EXPECT_EQ(testplat::Requesters().empty() ? "" : testplat::Requesters()[0].body, c.requester);
    }
    gui::DisposeObject(gb_WindowObj);
}

} // namespace
