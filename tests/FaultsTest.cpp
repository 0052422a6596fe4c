// Faults found by trying Tavrin as a hostile server, a signal sender or another local user would:
// each case failed before its mend. `ctest -L faults` runs them alone.

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "CatalogImage.h"
#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/LoopbackServer.h"
#include "platform/Program.h"
#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/host.h"
#include "platform/net.h"

extern gui::NewMenu gb_MenuDescribe[];

namespace {

mode_t ModeOf(const std::string &path)
{
    struct stat st { };
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(Faults, ADrippingDownloadEndsAtItsDeadline)
{
    testplat::Reset();
    net::SetDownloadTimeout(300);
    std::string buffer((gb_RSSBufSize = 200000) + 1, '\0');
    LoopbackServer server(LoopbackServer::Mode::Drip);
    snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", server.address().c_str());
    EXPECT_FALSE(getNewsInternal(buffer.data(), Kestrel_german));
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body, STR_ERR_ReceiveDataError);
    net::SetDownloadTimeout(net::DefaultDownloadTimeoutMs);
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
testplat::Program Tavrin(const std::string &env = {})
{
    return testplat::Program(
        "env " + env + " TAVRIN_ASSIGN_TAVRIN=$TAVRIN_BUILD_DIR $TAVRIN_BUILD_DIR/tavrin --workbench");
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
    auto refused = Tavrin("-u TAVRIN_ASSIGN_RAM XDG_RUNTIME_DIR=" + tmp.path());
    ASSERT_TRUE(refused.Await("Registriere Anwendung")) << "printed only:\n" << refused.Output();
    EXPECT_EQ(refused.Exit(SIGTERM), 0) << "did not end when told:\n" << refused.Output();
    EXPECT_EQ(ModeOf(target), 0755u);
    EXPECT_FALSE(testplat::FileExists(target + "/Tavrin.lock"));
}

TEST(Faults, AnXServerThatDoesNotAnswerCountsAsNoDisplay)
{
    testplat::Devices dev;
    auto tavrin = Tavrin("-u QT_QPA_PLATFORM DISPLAY=:87");
    EXPECT_TRUE(tavrin.Await("Error: Requester kann nicht erzeugt werden !")) << "printed only:\n" << tavrin.Output();
    EXPECT_EQ(tavrin.Exit(), 0) << "did not end by itself:\n" << tavrin.Output();
}

} // namespace
