#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "Tavrin.h"
#include "TavrinFeedHttp.h"
#include "TavrinSeams.h"
#include "platform/TestPlatform.h"
#include "platform/icon.h"
#include "platform/posix/Knobs.h"

namespace {

std::vector<std::string> gCalls;
std::string gFailStep;
std::string gLoopDir;

// Records a step; false when the test makes that step fail.
bool Step(const char *name)
{
    gCalls.push_back(name);
    return gFailStep != name;
}

const TavrinSteps kRecorders = {
    [] { return BOOL(Step("LoadConfig")); },
    [] { return BOOL(Step("LoadTimestamp")); },
    [] { return BOOL(Step("CreateAllObjects") && gb_RealSteps.CreateAllObjects()); },
    [] { return BOOL(Step("LoadAllPictures")); },
    [] { return Step("CreateDockyLibrary") ? static_cast<void *>(&gFailStep) : nullptr; },
    [] {
        Step("MsgLoop");
        gLoopDir = std::filesystem::current_path().string();
    },
    [] { Step("DoIconify"); },
    [](void *) { Step("DeleteDockyLibrary"); },
    [] { Step("FreeAllPictures"); },
    [] {
        Step("DestroyAllObjects");
        gb_RealSteps.DestroyAllObjects();
    },
    [] { return BOOL(Step("SaveConfig")); },
};

using Calls = std::vector<std::string>;
const Calls kUpToDocky = {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures", "CreateDockyLibrary"};
const Calls kReleases = {"DeleteDockyLibrary", "FreeAllPictures", "DestroyAllObjects", "SaveConfig"};

Calls Join(Calls a, const Calls &b, size_t skip = 0)
{
    a.insert(a.end(), b.begin() + static_cast<long>(skip), b.end());
    return a;
}

struct ProgTest : testing::Test {
    testplat::Devices devices;

    void SetUp() override
    {
        testplat::Reset();
        gCalls.clear();
        gFailStep.clear();
        gb_Steps = kRecorders;
        gb_Debug = 0;
        gb_Iconify = FALSE;
        gb_SkinPath[0] = gb_NewsADR[0] = gb_Feed[0].url[0] = gb_Feed[1].url[0] = gb_CAFile[0] = 0;
        gb_RSSBufSize = 0;
    }
    void TearDown() override { gb_Steps = gb_RealSteps; }

    // A Workbench start with these tool types on the start line, or a shell start; returns what it printed.
    std::string Start(std::vector<std::string> toolTypes, bool shell = false)
    {
        std::vector<char *> argv;
        for (auto &t : toolTypes)
            argv.push_back(t.data());
        argv.push_back(nullptr);
        icon::WBStartup wbs {"Tavrin", argv.data()};
        testing::internal::CaptureStdout();
        EXPECT_EQ(TavrinMain(shell ? 1 : 0, shell ? argv.data() : reinterpret_cast<char **>(&wbs)), 0);
        return testing::internal::GetCapturedStdout();
    }
};

// Tool types come from the start line, then from the icon file by Workbench rules. Debug words are
// case-sensitive substrings; any debug word prints the start options first. Feed addresses and a CA of
// the user's own are tool types too; an address that is not http or https is named in a requester at
// start, which then goes on.
TEST_F(ProgTest, ToolTypesAreApplied)
{
    const std::string mySkin = devices.home() + "myskin/" + std::string(200, 'd') + "/a:b", standard = "skins/standard";
    const std::string longUrl = "https://news.test/" + std::string(FEED_URL_SIZE, 'x');
    const auto NotRead = [](const std::string &toolType) {
        return "Feed nicht geladen: " + toolType + "\nNur Adressen mit http:// oder https:// werden gelesen";
    };
    std::filesystem::create_directories(mySkin);
    std::filesystem::create_directories(devices.progdir() + "skins/other");
    const struct {
        std::vector<std::string> toolTypes;
        ULONG bufSize;
        BOOL iconify;
        const char *newsAdr;
        std::string skin;
        WORD debug = 0;
        std::string german = "", english = "", caFile = "";
        std::vector<std::string> requesters = {};
        std::string icon = ""; // ENVARC:Tavrin.info
    } kCases[] = {
        {{"RSSBUFSIZE=1000"}, 200000, FALSE, "", standard},
        {{"RSSBUFSIZE=300000"}, 300000, FALSE, "", standard},
        {{"RSSBUFSIZE=99999999999999"}, 200000, FALSE, "", standard},
        {{"ICONIFY=window"}, 200000, TRUE, "", standard},
        {{"ICONIFY=YES"}, 200000, FALSE, "", standard},
        {{"newsadr=127.0.0.1:8080"}, 200000, FALSE, "127.0.0.1:8080", standard},
        {{"NEWSADR=192.168.100.101:8080"}, 200000, FALSE, "", standard}, // too long: left out, not cut
        {{"SKIN=/no/such/skin"}, 200000, FALSE, "", standard},
        {{"SKIN=" + mySkin}, 200000, FALSE, "", mySkin}, // ALongSkinPathIsUsedWhole, its ':' no device
        {{"SKIN=/" + std::string(4096, 'x')}, 200000, FALSE, "", standard}, // longer than any host path
        {{"SKIN=skins/other"}, 200000, FALSE, "", "skins/other"}, // relative to the program's directory
        {{"DEBUG=STARTHTTP"}, 200000, FALSE, "", standard, 5},
        {{"DEBUG=PARSER,DOCKY,SHORTTICK"}, 200000, FALSE, "", standard, 56},
        {{"DEBUG=ALL,SHORTTICK"}, 200000, FALSE, "", standard, 31},
        {{"DEBUG=start"}, 200000, FALSE, "", standard, 0},
        {{"GERMANFEED=HTTP://news.test/de", "ENGLISHFEED=" + longUrl, "CAFILE=/etc/my-ca.pem"}, 200000, FALSE, "",
            standard, 0, "HTTP://news.test/de", "", "/etc/my-ca.pem"},
        {{"GERMANFEED=file:///etc/passwd", "ENGLISHFEED=ftp://news.test/en"}, 200000, FALSE, "", standard, 0,
            "file:///etc/passwd", "ftp://news.test/en", "",
            {NotRead("GERMANFEED=file:///etc/passwd"), NotRead("ENGLISHFEED=ftp://news.test/en")}},
        {{"newsadr=1.2.3.4:80"}, 200000, FALSE, "1.2.3.4:80", standard, DEBUG_GUI, "", "", "", {},
            "NEWSADR=5.6.7.8:80\r\n(OPENGUI)\nopengui2\nDEBUG=GUI\n"},
    };
    for (const auto &c : kCases) {
        SetUp();
        testplat::WriteFile(devices.envarc() + "Tavrin.info", c.icon);
        const std::string out = Start(c.toolTypes);
        EXPECT_EQ(std::tuple(gb_RSSBufSize, gb_Iconify, std::string(gb_NewsADR), std::string(gb_SkinPath), gb_Debug,
                      std::string(gb_Feed[0].url), std::string(gb_Feed[1].url), std::string(gb_CAFile)),
            std::tuple(c.bufSize, c.iconify, std::string(c.newsAdr), c.skin, c.debug, c.german, c.english, c.caFile))
            << testing::PrintToString(c.toolTypes);
        EXPECT_EQ(testplat::RequesterBodies(), c.requesters);
        EXPECT_EQ(gCalls[5], c.iconify ? "DoIconify" : "MsgLoop");
        const bool summary
            = out.rfind("Icon: startdelay = 0 opengui = 0 debug = " + std::to_string(c.debug) + "\n", 0) == 0;
        EXPECT_EQ(summary, c.debug != 0) << out;
    }
}

// A shell start is refused before anything else. A second instance fails to register and leaves the
// first one's lock on RAM:Tavrin.lock alone. The progress lines go as far as start-up came; the start
// delay is waited first, and OPENGUI asks for the window whatever its value, once the start is through.
TEST_F(ProgTest, EachStartUpFailureReleasesExactlyWhatExists)
{
    testplat::TempDir runtime;
    const std::string refused = "Das Verzeichnis für RAM: (" + runtime.file("tavrin/")
        + ") wird nicht benutzt:\nEs ist ein symbolischer Verweis.\nEntfernen Sie es, oder weisen Sie RAM: mit "
          "TAVRIN_ASSIGN_RAM ein anderes Verzeichnis zu.";
    const char *const kProgress[] = {"Icon: startdelay = 3 opengui = 1 debug = 1\n", "Erstelle Oberfläche ...\n",
        "Lade Bilder ...\n", "Erzeuge Docky ...\n", "Registriere Anwendung ...\n", "Programm läuft !\n"};
    const struct {
        const char *failStep;
        std::vector<std::string> messages;
        Calls calls;
        size_t progress; // the lines of kProgress printed
    } kCases[] = {
        {"shell", {"Please start program from workbench !\nBitte Programm über die Workbench starten !"}, {}, 0},
        {"applib", {"application.library V50 kann nicht geöffnet werden !"}, {}, 1},
        {"CreateAllObjects", {"Oberfläche kann nicht erzeugt werden !"},
            Join({"LoadConfig", "LoadTimestamp", "CreateAllObjects"}, kReleases, 2), 2},
        {"LoadAllPictures", {"Bilder können nicht geladen werden !"},
            Join({"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures"}, kReleases, 1), 3},
        {"CreateDockyLibrary", {"DockyLib kann nicht erstellt werden !"}, Join(kUpToDocky, kReleases, 1), 4},
        {"second instance", {"Application läuft vermutlich bereits !"}, Join(kUpToDocky, kReleases), 5},
        // ARefusedRamDirectoryIsNamedNotTakenForASecondInstance; PlatformTest has every reason for a refusal.
        {"RAM: a link", {refused}, Join(kUpToDocky, kReleases), 5},
        {"nothing", {}, Join(Join(kUpToDocky, {"MsgLoop"}), kReleases), 6},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.failStep);
        SetUp();
        gFailStep = c.failStep;
        // The default RAM:, XDG_RUNTIME_DIR's "tavrin", is refused when it is a link.
        if (gFailStep == "RAM: a link") {
            std::filesystem::create_directory_symlink(runtime.path(), runtime.file("tavrin"));
            unsetenv("TAVRIN_ASSIGN_RAM");
            setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        }
        application_host::SetLibraryVersion(gFailStep == "applib" ? 49 : 53);
        const int first = open((devices.ram() + "Tavrin.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(flock(first, gFailStep == "second instance" ? LOCK_EX | LOCK_NB : LOCK_UN), 0);
        const std::string out = Start({"DEBUG=START", "STARTDELAY=3", "OPENGUI=NO"}, gFailStep == "shell");
        EXPECT_EQ(gCalls, c.calls);
        EXPECT_EQ(testplat::RequesterBodies(), c.messages);
        std::string progress;
        for (size_t i = 0; i < c.progress; i++)
            progress += kProgress[i];
        EXPECT_EQ(out, c.progress ? progress + "Programm beenden.\n" : "");
        EXPECT_EQ(testplat::DelayedTicks(), c.progress ? 150u : 0u);
        EXPECT_EQ(exec::SetSignal(0, SIGBREAKF_CTRL_F) & SIGBREAKF_CTRL_F, c.progress == 6 ? SIGBREAKF_CTRL_F : 0u);
        close(first);
        setenv("TAVRIN_ASSIGN_RAM", devices.ram().c_str(), 1);
    }
}

// Desktop launchers start programs in the user's home: the program moves to its own directory, or to
// "Tavrin:" when that is assigned, and goes back at the end. Only on an old system does it note its
// directory in ENVARC:AppPaths.
TEST_F(ProgTest, HomeDirectoryIsCurrentWhileRunningAndRestoredAfter)
{
    testplat::TempDir elsewhere;
    const std::string before = std::filesystem::current_path().string();
    for (bool assigned : {false, true}) {
        testplat::Devices dirs(assigned);
        std::filesystem::current_path(elsewhere.path());
        exec_host::SetVersion(assigned ? 54 : 52, 20);
        const std::string out = Start({"DEBUG=GUI"});
        EXPECT_EQ(std::filesystem::path(gLoopDir), std::filesystem::canonical(assigned ? dirs.home() : dirs.progdir()));
        EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(elsewhere.path()));
        EXPECT_EQ(testplat::ReadFile(dirs.envarc() + "AppPaths/Tavrin"),
            assigned ? "" : std::filesystem::canonical(dirs.progdir()).string());
        EXPECT_EQ(out.find("AmigaOS Version älter als 4.1 ! (52)\n") != std::string::npos, !assigned);
        std::filesystem::current_path(before);
    }
}

} // namespace
