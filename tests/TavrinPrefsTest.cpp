#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

#include "EntryList.h"
#include "TavrinLocale.h"
#include "platform/FakeGui.h"
#include "platform/TestPlatform.h"
#include "platform/posix/Knobs.h"

// The settings window on the test host: the user's part is played in the open window, the outcome
// read from the record, the geometry and the settings file.

namespace {

using namespace std::string_literals;

constexpr size_t Record = 16; // the record's offset in the file
constexpr ULONG Closed = 0xffff; // stands for the close the host reports on a quit from outside

// The main window the settings window opens over, with its Prefs button, and a desktop configuration
// directory of the test's own, so that no test sees or touches the user's.
class PrefsTest : public testing::Test {
protected:
    PrefsTest()
    {
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        fakegui::host = {}; // no user plays a part from an earlier test
        gb_WindowObj = gui::NewWindowObject({.layout = gui::NewLayout({}, &member, 1)});
        gb_Win = gui::WM_OPEN(gb_WindowObj);
    }
    ~PrefsTest() override
    {
        gui::DisposeObject(gb_WindowObj);
        unsetenv("XDG_CONFIG_HOME");
    }

    testplat::Devices dev;
    testplat::TempDir config;
    const std::string entryFile = config.file("autostart/tavrin.desktop"), conf = dev.envarc() + "Tavrin.conf";
    gui::LayoutMember member = {gui::NewButton(GID_Prefs, "_Prefs"), 0};
};

// Each visit starts from the stored file loaded into the record. In the open window the notification
// box is disabled only on an old system; then the gadgets are used in turn. The file and the window's
// left edge are checked afterwards.
TEST_F(PrefsTest, Visits)
{
    // Longer than a save writes, so that a file left alone is told from one written again.
    const std::string saved = TestData("config/Tavrin.conf"), stored = saved + std::string(8, '\x55');
    const std::string longPath = "/" + std::string(199, 'p'), fullPath = "/a:b/" + std::string(194, 'p');
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
        {"a path one too long is refused, the old one kept", {GID_Sample, GID_Save}, longPath, saved, -20, 54,
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
        EXPECT_EQ(testplat::LastRequesterBody(), c.requester);
    }
}

// What a desktop makes of an entry: desktop-file-validate's complaints, "" for none.
std::string Complaints(const std::string &entry)
{
    std::string out;
    FILE *validate = popen(("desktop-file-validate '" + entry + "' 2>&1").c_str(), "r");
    for (char line[512]; validate && fgets(line, sizeof line, validate);)
        out += line;
    const int status = validate ? pclose(validate) : -1;
    return status == 0 ? out : out + "(exit " + std::to_string(status) + ")";
}

// The box shows whether the entry exists; a saved change writes or removes it, Abbrechen does nothing,
// and the settings file comes out as it went in. The entry starts the program as the menu does, by the
// bare name when PATH finds this very program, else by its path, quoted as the Exec key needs it.
TEST_F(PrefsTest, StartAtLogin)
{
    testplat::TempDir bins;
    const std::string systemPath = getenv("PATH");
    const std::string saved = TestData("config/Tavrin.conf");
    const std::string userEntry = "[Desktop Entry]\nType=Application\nName=Mine\nExec=tavrin --workbench DEBUG=ALL\n";
    const std::string odd = bins.file("my apps $HOME %d \"q\"");
    enum Before { None, Users, Blocked, Undeletable };
    const struct {
        const char *name;
        Before before;
        std::string program; // the program's directory
        std::string path; // PATH
        bool box; // what the user leaves the box at
        ULONG button;
        bool shown; // the box when the window opened
        std::string exec; // the entry's TryExec and Exec lines afterwards; "-" none, "=" the user's
        LONG error = 0; // the requester's text, with the path of the entry and the reason
        int code = 0;
        const char *kernelSuffix = ""; // what the kernel adds to the program's name
    } cases[] = {
        {"on PATH", None, bins.file("bin"), "/nowhere:" + bins.file("bin"), true, GID_Save, false,
            "TryExec=tavrin\nExec=tavrin --workbench\n"},
        // A relative entry would name another directory at login.
        {"only on a relative PATH entry", None, bins.file("bin"),
            "/usr/bin:" + std::filesystem::relative(bins.file("bin")).string(), true, GID_Save, false,
            "TryExec=" + bins.file("bin") + "/tavrin\nExec=" + bins.file("bin") + "/tavrin --workbench\n"},
        {"another tavrin first on PATH", None, bins.file("bin"), bins.file("other") + ":" + bins.file("bin"), true,
            GID_Save, false,
            "TryExec=" + bins.file("bin") + "/tavrin\nExec=" + bins.file("bin") + "/tavrin --workbench\n"},
        {"a blank is reserved in the Exec key", None, bins.file("my apps"), "", true, GID_Save, false,
            "TryExec=" + bins.file("my apps") + "/tavrin\nExec=\"" + bins.file("my apps") + "/tavrin\" --workbench\n"},
        {"a path the Exec key must quote", None, odd, "", true, GID_Save, false,
            "TryExec=" + odd + "/tavrin\nExec=\"" + bins.path()
                + "/my apps \\\\$HOME %%d \\\\\"q\\\\\"/tavrin\" --workbench\n"},
        // An upgrade replaced the running program: the kernel names it "<file> (deleted)".
        {"the program was replaced", None, bins.file("bin"), "", true, GID_Save, false,
            "TryExec=" + bins.file("bin") + "/tavrin\nExec=" + bins.file("bin") + "/tavrin --workbench\n", 0, 0,
            " (deleted)"},
        {"the user's entry stays while the box does", Users, bins.file("bin"), "", true, GID_Save, true, "="},
        {"off removes it", Users, bins.file("bin"), "", false, GID_Save, true, "-"},
        {"off, cancel keeps it", Users, bins.file("bin"), "", false, GID_Cancel, true, "="},
        {"no directory for it", Blocked, bins.file("bin"), "", true, GID_Save, false, "-", ERR_CanNotWriteAutostart,
            ENOTDIR},
        {"cannot be removed", Undeletable, bins.file("bin"), "", false, GID_Save, true, "", ERR_CanNotRemoveAutostart,
            EISDIR},
        {"a path that is no UTF-8", None, bins.file("bin\xff"), "", true, GID_Save, false, "-",
            ERR_CanNotWriteAutostart, EILSEQ},
        // A line break would let the program's path add lines of its own to the entry.
        {"a path with a line break", None, bins.file("bin\nExec=evil"), "", true, GID_Save, false, "-",
            ERR_CanNotWriteAutostart, EILSEQ},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        testplat::Reset();
        std::filesystem::remove_all(config.file("autostart"));
        std::filesystem::create_directories(config.file("autostart"));
        if (c.before == Users)
            testplat::WriteFile(entryFile, userEntry);
        if (c.before == Undeletable)
            std::filesystem::create_directories(entryFile + "/inside");
        if (c.before == Blocked) {
            std::filesystem::remove(config.file("autostart"));
            testplat::WriteFile(config.file("autostart"), "");
        }
        for (const std::string &dir : {c.program, bins.file("other")}) {
            std::filesystem::create_directories(dir);
            testplat::WriteFile(dir + "/tavrin", "#!/bin/sh\n");
            chmod((dir + "/tavrin").c_str(), 0755);
        }
        testplat::NameProgramFile((c.program + "/tavrin" + c.kernelSuffix).c_str());
        setenv("PATH", c.path.c_str(), 1);
        testplat::WriteFile(conf, saved);
        LoadConfig();
        bool shown = !c.shown;
        fakegui::host = {};
        fakegui::host.onOpen = [&](gui::Object *win) {
            shown = gui::GetGadgetAttr(gb_AutostartGad, gui::GA_Selected) != 0;
            gui::SetGadgetAttr(gb_AutostartGad, gui::GA_Selected, c.box);
            fakegui::PushInput(win, gui::WMHI_GADGETUP | c.button);
        };
        DoSettings();
        setenv("PATH", systemPath.c_str(), 1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(testplat::ReadFile(conf), saved);
        const std::string entry = testplat::ReadFile(entryFile);
        if (c.exec == "-") {
            EXPECT_FALSE(testplat::FileExists(entryFile));
        } else if (c.exec == "=") {
            EXPECT_EQ(entry, userEntry);
        } else if (!c.exec.empty()) {
            EXPECT_NE(entry.find("\n" + c.exec), std::string::npos) << entry;
            EXPECT_EQ(Complaints(entryFile), "");
        }
        std::string expected = c.error ? GetString(c.error) : "";
        if (c.error)
            expected.replace(expected.find("%s"), 2, entryFile + ": " + strerror(c.code));
        EXPECT_EQ(
            testplat::RequesterBodies(), c.error ? std::vector<std::string> {expected} : std::vector<std::string> {});
    }
    testplat::NameProgramFile(nullptr);
}

} // namespace
