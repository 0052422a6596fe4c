#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/exec.h"
#include "platform/host.h"
#include "platform/icon.h"

namespace {

// ENVARC:, RAM:, T:, NIL:, PROGDIR:, an unassigned Tavrin: and relative paths are resolved in the tests
// of the program's files.
TEST(Paths, DevicesAreCaseInsensitiveAndRedirectable)
{
    testplat::Devices devices;
    const struct {
        const char *path;
        std::string host;
    } kCases[] = {
        {"envarc:Tavrin.conf", devices.envarc() + "Tavrin.conf"},
        {"ENV:AppPaths/Tavrin", devices.ram() + "env/AppPaths/Tavrin"},
        {"NOSUCHDEVICE:x", "<none>"},
    };
    for (const auto &c : kCases) {
        char buf[1024];
        EXPECT_EQ(dos::ResolvePath(c.path, buf, sizeof(buf)) ? std::string(buf) : "<none>", c.host) << c.path;
    }
}

TEST(ToolTypes, StartLineFirstThenTheIconFileByWorkbenchRules)
{
    testplat::Devices devices;
    icon::WBStartup none {"Tavrin", nullptr};
    EXPECT_EQ(icon::GetDiskObject(&none), nullptr);

    testplat::WriteFile(devices.envarc() + "Tavrin.info", "NEWSURL=file.example\r\n(OPENGUI)\nopengui2\nDEBUG=GUI\n");
    char line[] = "newsurl=line.example";
    char *args[] = {line, nullptr};
    icon::WBStartup wbs {"Tavrin", args};
    icon::DiskObject *dobj = icon::GetDiskObject(&wbs);
    ASSERT_NE(dobj, nullptr);
    EXPECT_STREQ(icon::FindToolType(dobj->do_ToolTypes, "NEWSURL"), "line.example");
    EXPECT_STREQ(icon::FindToolType(dobj->do_ToolTypes, "DEBUG"), "GUI");
    EXPECT_EQ(icon::FindToolType(dobj->do_ToolTypes, "OPENGUI"), nullptr);
    EXPECT_EQ(icon::FindToolType(dobj->do_ToolTypes, "DEBU"), nullptr);
    icon::FreeDiskObject(dobj);
}

// Wait returns the wanted signals and leaves the others pending; no allocated bit is a break bit.
TEST(Exec, SignalsFromAnotherThread)
{
    exec_host::ResetSignals();
    exec::Task *me = exec::FindTask(nullptr);
    std::thread([me] { exec::Signal(me, exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_D); }).join();
    EXPECT_EQ(exec::Wait(exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_C), exec::SIGBREAKF_CTRL_F);
    EXPECT_EQ(exec::SetSignal(0, exec::SIGBREAKF_CTRL_D), exec::SIGBREAKF_CTRL_D);
    for (int i = 0; i < 20; i++) {
        int32_t bit = exec::AllocSignal();
        EXPECT_TRUE(bit >= 0 && (bit < 12 || bit > 15)) << bit;
    }
}

} // namespace
