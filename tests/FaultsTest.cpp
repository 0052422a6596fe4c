// Faults found by trying Tavrin as a hostile server, a signal sender or another local user would:
// each case failed before its mend. `ctest -L faults` runs them alone.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "CatalogImage.h"
#include "EntryList.h"
#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/LoopbackServer.h"
#include "platform/Program.h"
#include "platform/StuckBus.h"
#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/posix/Knobs.h"

extern gui::NewMenu gb_MenuDescribe[];

namespace {

using testplat::SecondsSince;

mode_t ModeOf(const std::string &path)
{
    struct stat st { };
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(Faults, ADrippingDownloadEndsAtItsDeadline)
{
    testplat::Reset();
    net_host::SetDownloadTimeout(300);
    std::string buffer((gb_RSSBufSize = 200000) + 1, '\0');
    LoopbackServer server(LoopbackServer::Mode::Drip);
    snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", server.address().c_str());
    EXPECT_FALSE(getNewsInternal(buffer.data(), Kestrel_german));
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body, STR_ERR_ReceiveDataError);
    net_host::SetDownloadTimeout(net_host::DefaultDownloadTimeoutMs);
}

TEST(Faults, AMenuTextWithoutKeyAndLabelGivesTheBuiltInOne)
{
    const std::pair<std::string, std::string> cases[]
        = {{std::string("X\0Exit", 6), "X Exit"}, {"X", "Q Beenden"}, {"", "Q Beenden"}, {"Exit", "Q Beenden"}};
    testplat::Devices dev;
    for (const auto &[text, shown] : cases) {
        gb_Catalog = Parse(Form(kFver + Chunk("STRS", Record(TX_Menu_Quit, text))));
        ASSERT_TRUE(CreateAllObjects());
        EXPECT_EQ(std::string(gb_MenuDescribe[2].nm_CommKey) + " " + gb_MenuDescribe[2].nm_Label, shown);
        DestroyAllObjects();
        locale::CloseCatalog(gb_Catalog);
    }
    gb_Catalog = nullptr;
}

TEST(Faults, SilentClientsOfThePublicPortDoNotHoldUpAWakeup)
{
    testplat::Devices dev;
    port_host::SetFirstByteTimeout(600000);
    exec::MsgPort *port = exec::CreatePort();
    ASSERT_TRUE(exec::AddPort(port, "Tavrin68k_port"));
    EXPECT_EQ(ModeOf(dev.ram() + "Tavrin68k_port"), 0600u);
    sockaddr_un addr {AF_UNIX, {}};
    snprintf(addr.sun_path, sizeof addr.sun_path, "%sTavrin68k_port", dev.ram().c_str());
    std::vector<int> clients;
    for (int i = 0; i <= 30; i++) {
        clients.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)); // a full queue fails, never blocks
        ASSERT_EQ(connect(clients.back(), reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    }
    ASSERT_EQ(write(clients.back(), "wakeup\n", 7), 7); // the last one; the others stay silent
    exec::Message *msg;
    while (!(msg = exec::GetMsg(port)))
        exec::Wait(exec::PortSigMask(port));
    EXPECT_STREQ(msg->mn_Node.ln_Name, "wakeup");
    exec::ReplyMsg(msg);
    exec::RemPort(port);
    exec::DeletePort(port);
    for (int fd : clients)
        close(fd);
    port_host::SetFirstByteTimeout(1000);
}

// The real program, started through the shell with the test's devices and display (offscreen), at
// home in the build tree, where its skins are; `env` changes its environment further.
testplat::Program Tavrin(
    const std::string &env = {}, const std::string &toolTypes = {}, const std::string &home = "$TAVRIN_BUILD_DIR")
{
    return testplat::Program(
        "env " + env + " TAVRIN_ASSIGN_TAVRIN=" + home + " $TAVRIN_BUILD_DIR/tavrin --workbench " + toolTypes);
}

// A FIFO, a huge icon file, damaged settings, a shared RAM: and a dripping server at once. A quit
// ends the requester that the damage brings, or the download, and more quits while it ends do no harm.
TEST(Faults, TheRealProgramStartsAmongHostileFilesAndEndsWhenTold)
{
    testplat::Devices dev;
    const std::string conf = dev.envarc() + "Tavrin.conf", ts = dev.envarc() + "Tavrin.ts";
    testplat::WriteFile(conf, "short");
    ASSERT_EQ(mkfifo(ts.c_str(), 0600), 0);
    chmod(dev.ram().c_str(), 01777);
    for (int run = 0; run < 5; run++) {
        LoopbackServer server(LoopbackServer::Mode::Drip);
        testplat::WriteFile(dev.envarc() + "Tavrin.info",
            "DEBUG=START,HTTP\nOPENGUI\nNEWSADR=" + server.address() + "\n" + std::string(70000, '#')
                + "\nSTARTDELAY=9\n");
        auto tavrin = Tavrin();
        ASSERT_TRUE(tavrin.Await(run ? " Attempting to send" : "Icon: startdelay = 0 "))
            << "run " << run << " printed only:\n"
            << tavrin.Output();
        kill(tavrin.pid, SIGTERM);
        ASSERT_EQ(tavrin.Exit(SIGTERM), 0) << "run " << run << " did not end when told:\n" << tavrin.Output();
    }
    EXPECT_EQ(testplat::ReadFile(conf).size(), 428u);
    EXPECT_EQ(ModeOf(dev.ram()), 01777u);
    EXPECT_EQ(ModeOf(dev.ram() + "Tavrin.lock"), 0600u);
    const int reader = open(ts.c_str(), O_RDWR); // a writer would not even wait
    EXPECT_EQ(dos::Open("ENVARC:Tavrin.ts", dos::MODE_NEWFILE), nullptr);
    close(reader);

    // Without XDG_RUNTIME_DIR the default RAM: lies in /tmp, where a link may wait for it.
    testplat::TempDir tmp;
    const std::string target = tmp.file("target");
    mkdir(target.c_str(), 0755);
    ASSERT_EQ(symlink(target.c_str(), tmp.file("tavrin").c_str()), 0);
    auto refused = Tavrin("-u TAVRIN_ASSIGN_RAM XDG_RUNTIME_DIR=" + tmp.path(), "2>&1");
    ASSERT_TRUE(refused.Await("Registriere Anwendung")) << "printed only:\n" << refused.Output();
    EXPECT_EQ(refused.Exit(SIGTERM), 0) << "did not end when told:\n" << refused.Output();
    refused.Await("\a", 5); // the rest of its output
    const std::string why = "RAM: is not used";
    const size_t told = refused.Output().find(why);
    EXPECT_TRUE(told != std::string::npos && refused.Output().find(why, told + 1) == std::string::npos)
        << "the reason is to be told once:\n"
        << refused.Output();
    EXPECT_EQ(ModeOf(target), 0755u);
    EXPECT_FALSE(testplat::FileExists(target + "/Tavrin.lock"));
}

// A quit from outside ends the program with 0 within 2 s.
void EndsWhenTold(testplat::Program &tavrin)
{
    const auto quit = std::chrono::steady_clock::now();
    kill(tavrin.pid, SIGTERM);
    EXPECT_EQ(tavrin.Exit(), 0) << tavrin.Output();
    EXPECT_LT(SecondsSince(quit), 2);
}

// The settings file: both channels watched, no requester for news, notifications on, and `sample`.
std::string Settings(const std::string &sample)
{
    std::string record(412, '\0');
    record[0] = 2;
    record.replace(3, sample.size(), sample);
    record[205] = 1;
    return std::string(16, '\0') + record;
}

// A tone of `seconds` as 16-bit mono WAV at 22050 frames a second.
std::string Wav(int seconds)
{
    const auto le32 = [](uint32_t v) { return std::string {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const uint32_t bytes = uint32_t(seconds) * 22050 * 2;
    return "RIFF" + le32(36 + bytes) + "WAVEfmt " + le32(16) + std::string("\1\0\1\0", 4) + le32(22050) + le32(44100)
        + std::string("\2\0\x10\0", 4) + "data" + le32(bytes) + std::string(bytes, '\x10');
}

// A ticker at work: devices of its own, news on a loopback server, the settings above, and ALSA's
// "default" device pointed at `pcm` (a configuration for it).
struct Ticker {
    testplat::Devices dev;
    LoopbackServer news {LoopbackServer::Mode::Repeat,
        "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n" + TestData("kestrel-de.rss")};
    std::string alsa = dev.envarc() + "asound.conf";

    explicit Ticker(const std::string &sample, const std::string &pcm = "{ type null }")
    {
        testplat::WriteFile(dev.envarc() + "Tavrin.conf", Settings(sample));
        testplat::WriteFile(alsa, "pcm.!default " + pcm + "\n");
    }
    // The program, told about the bus at `bus`, with more `toolTypes` and at home in `home`.
    testplat::Program Start(
        const std::string &bus, const std::string &toolTypes = {}, const std::string &home = "$TAVRIN_BUILD_DIR")
    {
        return Tavrin("DBUS_SESSION_BUS_ADDRESS=" + bus + " ALSA_CONFIG_PATH=" + alsa,
            "DEBUG=START,GUI,PARSER NEWSURL=news.test NEWSADR=" + news.address() + " " + toolTypes, home);
    }
};

// ALSA's "default" device writing into `file` (a FIFO or a file).
std::string FileOutput(const std::string &file)
{
    return "{ type file slave.pcm { type null } file \"" + file + "\" format raw }";
}

// Hostile services, samples, skins and sound outputs; the ticker is at work within seconds, does not hang,
// stays small, and ends when told:
//  - a session bus that never answers the authentication (as a stopped dbus-daemon), and one that never
//    answers Hello: the ticker announces its news without a notification;
//  - its ten-second sample plays into a FIFO that is held open but never read (an output that stopped
//    taking data);
//  - sample files of 2 GB and 100 GB, nearly all of them a hole, are refused without being read or
//    allocated for (the requester names the failure meanwhile);
//  - a skin whose TR3.png is a FIFO: start-up says that the pictures cannot be loaded, instead of
//    hanging in the FIFO's open;
//  - a sample and a skin below a directory named "a:b" are found: the skin is the only one there is
//    (the home directory has none), and the sample reaches the sound output.
TEST(Faults, StuckBusesAndHostileSamplesSkinsAndOutputsNeitherHoldNorBloatTheTicker)
{
    using Mode = testplat::StuckBus::Mode;
    testplat::TempDir dir, home;
    const std::string stalled = dir.file("stalled"), skin = dir.file("skin"), colon = dir.file("a:b"),
                      played = dir.file("played.raw");
    ASSERT_EQ(mkfifo(stalled.c_str(), 0600), 0);
    const int reader = open(stalled.c_str(), O_RDONLY | O_NONBLOCK);
    testplat::WriteFile(dir.file("ten.wav"), Wav(10));
    for (const off_t gigabytes : {2, 100}) {
        const std::string sample = dir.file(std::to_string(gigabytes) + ".8svx");
        testplat::WriteFile(sample, std::string("FORM\0\0\0\x04", 8) + "8SVX");
        ASSERT_EQ(truncate(sample.c_str(), gigabytes << 30), 0);
    }
    std::filesystem::create_directory(skin);
    for (const char *name : {"TR0.png", "TR1.png", "TR2.png", "TR4.png", "TR5.png"})
        std::filesystem::copy_file(testplat::BuildPath("skins/standard/") + name, skin + "/" + name);
    ASSERT_EQ(mkfifo((skin + "/TR3.png").c_str(), 0600), 0);
    std::filesystem::copy(testplat::BuildPath("skins/standard"), colon);
    testplat::WriteFile(colon + "/one.wav", Wav(1));
    const std::string null = "{ type null }";
    const struct {
        std::optional<Mode> bus; // a stuck one, else none at all
        std::string sample, pcm, awaited; // a line of the state to quit in
        std::string toolTypes, home = "$TAVRIN_BUILD_DIR";
    } kCases[] = {
        {Mode::Silent, "", null, "Ringhio: no session bus"}, {Mode::NoHello, "", null, "Ringhio: no session bus"},
        {{}, dir.file("ten.wav"), FileOutput(stalled), "AutoCheck english News"},
        {{}, dir.file("2.8svx"), null, "AutoCheck english News"},
        {{}, dir.file("100.8svx"), null, "AutoCheck english News"}, {{}, "", null, "Lade Bilder ...", "SKIN=" + skin},
        {{}, colon + "/one.wav", FileOutput(played), "Ringhio: ", "SKIN=" + colon, home.path()}, // after the sound
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(std::to_string(&c - kCases));
        std::optional<testplat::StuckBus> bus;
        if (c.bus)
            bus.emplace(*c.bus);
        Ticker ticker(c.sample, c.pcm);
        const auto start = std::chrono::steady_clock::now();
        auto tavrin = ticker.Start(bus ? bus->address() : "unix:path=" + dir.file("nobus"), c.toolTypes, c.home);
        ASSERT_TRUE(tavrin.Await(c.awaited));
        EXPECT_LT(SecondsSince(start), 10);
        poll(nullptr, 0, 1000);
        EndsWhenTold(tavrin);
        EXPECT_LT(tavrin.peakKb, 300 * 1024);
    }
    close(reader);
    EXPECT_GE(testplat::ReadFile(played).size(), 22050u * 2);
}

TEST(Faults, AnXServerThatDoesNotAnswerCountsAsNoDisplay)
{
    testplat::Devices dev;
    auto tavrin = Tavrin("-u QT_QPA_PLATFORM DISPLAY=:87");
    EXPECT_TRUE(tavrin.Await("Error: Requester kann nicht erzeugt werden !")) << "printed only:\n" << tavrin.Output();
    EXPECT_EQ(tavrin.Exit(), 0) << "did not end by itself:\n" << tavrin.Output();
}

// Qt ends the program itself when its X server goes away: it must end as an exit, not an abort on the
// threads that are still running.
TEST(Faults, AnXServerThatGoesAwayEndsTheTickerWithoutAnAbort)
{
    testplat::Devices dev;
    testplat::Program xvfb("Xvfb -displayfd 1 -nolisten tcp -screen 0 640x480x24 2>/dev/null");
    // Its display's number follows the line of the shell's number, once the server is ready.
    for (int second = 0; second < 10 && std::count(xvfb.Output().begin(), xvfb.Output().end(), '\n') < 2; second++)
        xvfb.Await("\a", 1);
    const std::string display = xvfb.Output().substr(xvfb.Output().find('\n') + 1);
    ASSERT_FALSE(display.empty()) << "no virtual display";
    auto tavrin = Tavrin("-u QT_QPA_PLATFORM DISPLAY=:" + display.substr(0, display.size() - 1), "DEBUG=START");
    ASSERT_TRUE(tavrin.Await("Programm läuft")) << tavrin.Output();
    kill(xvfb.pid, SIGKILL);
    EXPECT_NE(tavrin.Exit(), -1) << tavrin.Output();
    EXPECT_EQ(tavrin.Output().find("terminate called"), std::string::npos) << tavrin.Output();
}

} // namespace
