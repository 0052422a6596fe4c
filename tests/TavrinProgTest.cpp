#include "TavrinProg.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "Tavrin.h"
#include "platform/TestPlatform.h"
#include "platform/host.h"
#include "platform/icon.h"

namespace {

std::vector<std::string> gCalls;
TavrinSteps gFailing;
std::string gLoopDir;
ULONG gPendingAtLoop;

// Records each step, then does what the real step would, or fails where the test says.
BOOL CreateAllObjectsRec()
{
    gCalls.push_back("CreateAllObjects");
    return gFailing.CreateAllObjects ? FALSE : gb_RealSteps.CreateAllObjects();
}
BOOL LoadAllPicturesRec()
{
    gCalls.push_back("LoadAllPictures");
    return gFailing.LoadAllPictures ? FALSE : TRUE;
}
void *CreateDockyLibraryRec()
{
    gCalls.push_back("CreateDockyLibrary");
    static int base;
    return gFailing.CreateDockyLibrary ? nullptr : &base;
}
void MsgLoopRec()
{
    gCalls.push_back("MsgLoop");
    gLoopDir = std::filesystem::current_path().string();
    gPendingAtLoop = exec::SetSignal(0, 0);
}

const TavrinSteps kRecorders = {
    [] {
        gCalls.push_back("LoadConfig");
        return TRUE;
    },
    [] {
        gCalls.push_back("LoadTimestamp");
        return TRUE;
    },
    CreateAllObjectsRec,
    LoadAllPicturesRec,
    CreateDockyLibraryRec,
    MsgLoopRec,
    [] { gCalls.push_back("DoIconify"); },
    [](void *) { gCalls.push_back("DeleteDockyLibrary"); },
    [] { gCalls.push_back("FreeAllPictures"); },
    [] {
        gCalls.push_back("DestroyAllObjects");
        gb_RealSteps.DestroyAllObjects();
    },
    [] {
        gCalls.push_back("SaveConfig");
        return TRUE;
    },
};

struct ProgTest : testing::Test {
    testplat::Devices devices;

    void SetUp() override
    {
        testplat::Reset();
        gCalls.clear();
        gFailing = {};
        gb_Steps = kRecorders;
        gb_Debug = 0;
        gb_Iconify = FALSE;
        gb_SkinPath[0] = gb_ReportLink[0] = gb_NewsURL[0] = gb_NewsADR[0] = 0;
        gb_RSSBufSize = 0;
        unsetenv("LANG");
    }
    void TearDown() override { gb_Steps = gb_RealSteps; }

    // A Workbench start with these tool types on the start line.
    int Start(std::vector<std::string> toolTypes)
    {
        std::vector<char *> argv;
        for (auto &t : toolTypes)
            argv.push_back(t.data());
        argv.push_back(nullptr);
        icon::WBStartup wbs {"Tavrin", argv.data()};
        return TavrinMain(0, reinterpret_cast<char **>(&wbs));
    }
};

const std::vector<std::string> kFullRun = {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures",
    "CreateDockyLibrary", "MsgLoop", "DeleteDockyLibrary", "FreeAllPictures", "DestroyAllObjects", "SaveConfig"};

TEST_F(ProgTest, ShellStartIsRefusedBeforeAnythingElse)
{
    char name[] = "tavrin";
    char *argv[] = {name, nullptr};
    EXPECT_EQ(TavrinMain(1, argv), 0);
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body,
        "Please start program from workbench !\nBitte Programm über die Workbench starten !");
    EXPECT_EQ(testplat::Requesters()[0].button, "_Ok");
    EXPECT_TRUE(gCalls.empty());
}

TEST_F(ProgTest, NoToolTypesGiveTheDefaults)
{
    EXPECT_EQ(Start({}), 0);
    EXPECT_EQ(gCalls, kFullRun);
    EXPECT_EQ(gb_RSSBufSize, 200000u);
    EXPECT_TRUE(gb_Debug == 0 && gb_Iconify == FALSE && !gb_SkinPath[0] && !gb_NewsURL[0]);
    EXPECT_EQ(gPendingAtLoop & SIGBREAKF_CTRL_F, 0u);
    EXPECT_TRUE(testplat::Requesters().empty());
}

TEST_F(ProgTest, ToolTypesAreApplied)
{
    std::filesystem::create_directories(devices.home() + "myskin");
    const struct {
        std::vector<std::string> toolTypes;
        ULONG bufSize;
        BOOL iconify;
        const char *newsAdr;
        const char *skin;
    } kCases[] = {
        {{"RSSBUFSIZE=1000"}, 200000, FALSE, "", ""},
        {{"RSSBUFSIZE=300000"}, 300000, FALSE, "", ""},
        {{"RSSBUFSIZE=lots"}, 200000, FALSE, "", ""},
        {{"RSSBUFSIZE=99999999999999"}, 200000, FALSE, "", ""},
        {{"ICONIFY=window"}, 200000, TRUE, "", ""},
        {{"ICONIFY=YES"}, 200000, FALSE, "", ""},
        {{"newsadr=127.0.0.1:8080"}, 200000, FALSE, "127.0.0.1:8080", ""},
        {{"NEWSADR=192.168.100.101:8080"}, 200000, FALSE, "", ""}, // too long: left out, not cut
        {{"NEWSADR=10.0.0.1", "NEWSADR=10.0.0.2"}, 200000, FALSE, "10.0.0.1", ""},
        {{"(NEWSADR=10.0.0.1)"}, 200000, FALSE, "", ""},
        {{"SKIN=/no/such/skin"}, 200000, FALSE, "", "standard"},
        {{"SKIN=" + devices.home() + "myskin"}, 200000, FALSE, "", nullptr},
    };
    for (const auto &c : kCases) {
        SetUp();
        Start(c.toolTypes);
        EXPECT_EQ(gb_RSSBufSize, c.bufSize) << c.toolTypes[0];
        EXPECT_EQ(gb_Iconify, c.iconify) << c.toolTypes[0];
        EXPECT_STREQ(gb_NewsADR, c.newsAdr) << c.toolTypes[0];
        EXPECT_STREQ(gb_SkinPath, c.skin ? c.skin : (devices.home() + "myskin").substr(0, 39).c_str())
            << c.toolTypes[0];
    }
}

TEST_F(ProgTest, DebugWordsAreCaseSensitiveSubstrings)
{
    const struct {
        const char *value;
        WORD debug;
    } kCases[] = {
        {"START", 1},
        {"START,HTTP", 5},
        {"START|HTTP", 5},
        {"STARTHTTP", 5},
        {"GUI,PARSER,DOCKY", 26},
        {"ALL,SHORTTICK", 31},
        {"SHORTTICK,GUI", 34},
        {"start", 0},
        {"", 0},
    };
    for (const auto &c : kCases) {
        SetUp();
        testing::internal::CaptureStdout();
        Start({std::string("DEBUG=") + c.value});
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(gb_Debug, c.debug) << c.value;
        bool summary = out.rfind("Icon: startdelay = 0 opengui = 0 debug = " + std::to_string(c.debug) + "\n", 0) == 0;
        EXPECT_EQ(summary, c.debug != 0) << out;
    }
}

TEST_F(ProgTest, StartUpProgressLinesInOrder)
{
    testing::internal::CaptureStdout();
    Start({"DEBUG=START", "STARTDELAY=3"});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "Icon: startdelay = 3 opengui = 0 debug = 1\n"
        "Erstelle Oberfläche ...\n"
        "Lade Bilder ...\n"
        "Erzeuge Docky ...\n"
        "Registriere Anwendung ...\n"
        "Programm läuft !\n"
        "Programm beenden.\n");
    EXPECT_EQ(testplat::DelayedTicks(), 150u);
}

TEST_F(ProgTest, OpenGuiSignalsTheWindowWhateverItsValue)
{
    Start({"OPENGUI=NO"});
    EXPECT_NE(gPendingAtLoop & SIGBREAKF_CTRL_F, 0u);
    exec::SetSignal(0, SIGBREAKF_CTRL_F);

    SetUp();
    Start({"ICONIFY=WINDOW"});
    EXPECT_EQ(gCalls[5], "DoIconify");
}

TEST_F(ProgTest, EachStartUpFailureReleasesExactlyWhatExists)
{
    const struct {
        const char *what;
        void (*breakIt)();
        const char *message;
        std::vector<std::string> calls;
    } kCases[] = {
        {"application library", [] { application_host::SetLibraryVersion(49); },
            "application.library V50 kann nicht geöffnet werden !", {}},
        {"window", [] { gFailing.CreateAllObjects = CreateAllObjectsRec; }, "Oberfläche kann nicht erzeugt werden !",
            {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "DestroyAllObjects", "SaveConfig"}},
        {"pictures", [] { gFailing.LoadAllPictures = LoadAllPicturesRec; }, "Bilder können nicht geladen werden !",
            {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures", "DestroyAllObjects", "SaveConfig"}},
        {"dock library", [] { gFailing.CreateDockyLibrary = CreateDockyLibraryRec; },
            "DockyLib kann nicht erstellt werden !",
            {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures", "CreateDockyLibrary",
                "FreeAllPictures", "DestroyAllObjects", "SaveConfig"}},
    };
    for (const auto &c : kCases) {
        SetUp();
        c.breakIt();
        testing::internal::CaptureStdout();
        EXPECT_EQ(Start({"DEBUG=START"}), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(gCalls, c.calls) << c.what;
        ASSERT_EQ(testplat::Requesters().size(), 1u) << c.what;
        EXPECT_EQ(testplat::Requesters()[0].body, c.message);
        EXPECT_EQ(testplat::Requesters()[0].button, "Ok");
        EXPECT_NE(out.find("Programm beenden.\n"), std::string::npos) << c.what;
    }
}

TEST_F(ProgTest, SecondInstanceFailsToRegisterAndLeavesTheFirstAlone)
{
    // The running instance: its lock on RAM:Tavrin.lock.
    int fd = open((devices.ram() + "Tavrin.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    Start({});
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body, "Application läuft vermutlich bereits !");
    EXPECT_EQ(gCalls,
        (std::vector<std::string> {"LoadConfig", "LoadTimestamp", "CreateAllObjects", "LoadAllPictures",
            "CreateDockyLibrary", "DeleteDockyLibrary", "FreeAllPictures", "DestroyAllObjects", "SaveConfig"}));
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0); // still ours
    close(fd);

    SetUp();
    Start({});
    EXPECT_EQ(gCalls, kFullRun); // the lock went with its holder
}

TEST_F(ProgTest, HomeDirectoryIsCurrentWhileRunningAndRestoredAfter)
{
    testplat::Devices withHome(true);
    const std::string before = std::filesystem::current_path().string();
    Start({});
    EXPECT_EQ(std::filesystem::path(gLoopDir), std::filesystem::canonical(withHome.home()));
    EXPECT_EQ(std::filesystem::current_path().string(), before);
}

TEST_F(ProgTest, UpdateVariableOnlyOnOldSystems)
{
    Start({});
    EXPECT_FALSE(testplat::FileExists(devices.envarc() + "AppPaths/Tavrin"));

    SetUp();
    exec_host::SetVersion(52, 20);
    testing::internal::CaptureStdout();
    Start({"DEBUG=GUI"});
    std::string out = testing::internal::GetCapturedStdout();
    std::string progdir = std::filesystem::canonical(devices.progdir()).string();
    EXPECT_EQ(testplat::ReadFile(devices.envarc() + "AppPaths/Tavrin"), progdir);
    EXPECT_EQ(testplat::ReadFile(devices.ram() + "env/AppPaths/Tavrin"), progdir);
    EXPECT_NE(out.find("AmigaOS Version älter als 4.1 ! (52)\n"), std::string::npos);
}

} // namespace
