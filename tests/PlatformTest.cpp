#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/exec.h"
#include "platform/host.h"
#include "platform/icon.h"

namespace {

std::string Resolve(const char *path)
{
    char buf[1024];
    return dos::ResolvePath(path, buf, sizeof(buf)) ? std::string(buf) : std::string("<none>");
}

TEST(Paths, DevicesAreCaseInsensitiveAndRedirectable)
{
    testplat::Devices devices;
    const struct {
        const char *path;
        std::string host;
    } kCases[] = {
        {"ENVARC:Tavrin.conf", devices.envarc() + "Tavrin.conf"},
        {"envarc:Tavrin.conf", devices.envarc() + "Tavrin.conf"},
        {"T:tr.out", devices.ram() + "t/tr.out"},
        {"ENV:AppPaths/Tavrin", devices.ram() + "env/AppPaths/Tavrin"},
        {"NIL:", "/dev/null"},
        {"standard/TR0.png", "standard/TR0.png"},
        {"Tavrin:", "<none>"}, // not installed: unassigned
        {"NOSUCHDEVICE:x", "<none>"},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(Resolve(c.path), c.host) << c.path;
}

TEST(Files, AFailedSaveLeavesTheOldFileAndNoTemporary)
{
    testplat::Devices devices;
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", "OLD-DATA");
    dos_host::FailWritesAfter(3);
    dos::File *f = dos::Open("ENVARC:Tavrin.ts", dos::MODE_NEWFILE);
    EXPECT_EQ(dos::Write(f, "12345678", 8), 3);
    EXPECT_FALSE(dos::Close(f));
    dos_host::FailWritesAfter(-1);
    EXPECT_EQ(testplat::ReadFile(devices.envarc() + "Tavrin.ts"), "OLD-DATA");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(devices.envarc()), {}), 1);

    char buf[64];
    EXPECT_EQ(dos::Open("ENVARC:missing", dos::MODE_OLDFILE), nullptr);
    dos::Fault(dos::IoErr(), "Fehler", buf, sizeof(buf));
    EXPECT_STREQ(buf, "Fehler: No such file or directory");
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

TEST(Exec, SignalsAndMessagesFromOtherThreads)
{
    exec_host::ResetSignals();
    exec::MsgPort *port = exec::CreatePort();
    exec::Task *me = exec::FindTask(nullptr);
    std::thread t([me, port] {
        exec::Signal(me, exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_D);
        exec::PutMsg(port, new exec::Message);
    });
    t.join();
    EXPECT_EQ(exec::Wait(exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_C), exec::SIGBREAKF_CTRL_F);
    EXPECT_EQ(exec::Wait(exec::PortSigMask(port)), exec::PortSigMask(port));
    exec::Message *msg = exec::GetMsg(port);
    ASSERT_NE(msg, nullptr);
    exec::ReplyMsg(msg); // no reply port: deleted
    EXPECT_EQ(exec::SetSignal(0, exec::SIGBREAKF_CTRL_D), exec::SIGBREAKF_CTRL_D); // left pending
    exec::DeletePort(port);

    for (int i = 0; i < 20; i++) {
        int32_t bit = exec::AllocSignal();
        EXPECT_TRUE(bit >= 0 && (bit < 12 || bit > 15)) << bit; // never a break bit
    }
}

// Only pages wholly inside the range lose their bytes: a neighbour sharing a page keeps its data.
TEST(Exec, DiscardMemoryTakesWholePagesOnly)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    // Offset and length in pages (fractions allowed) and what each of four pages then holds.
    const struct {
        double offset, length;
        const char *pages;
    } cases[] = {{0, 4, "0000"}, {0.5, 3, "x00x"}, {1, 2, "x00x"}, {1, 0.99, "xxxx"}, {0.5, 1, "xxxx"},
        {3.5, 0.5, "xxxx"}, {0, 0, "xxxx"}};
    char *memory = static_cast<char *>(std::aligned_alloc(page, 4 * page));
    ASSERT_NE(memory, nullptr);
    for (const auto &c : cases) {
        std::memset(memory, 'x', 4 * page);
        exec::DiscardMemory(memory + size_t(c.offset * double(page)), size_t(c.length * double(page)));
        std::string pages;
        for (size_t i = 0; i < 4; i++) {
            const std::string bytes(memory + i * page, page);
            pages += bytes == std::string(page, 'x') ? 'x' : bytes == std::string(page, '\0') ? '0' : '?';
        }
        EXPECT_EQ(pages, c.pages) << c.offset << " + " << c.length;
        std::memset(memory, 'y', 4 * page); // still ours to write
        EXPECT_EQ(std::string(memory, 4 * page), std::string(4 * page, 'y'));
    }
    std::free(memory);
}

} // namespace
