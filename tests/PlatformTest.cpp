#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    EXPECT_EQ(Resolve("ENVARC:Tavrin.conf"), devices.envarc() + "Tavrin.conf");
    EXPECT_EQ(Resolve("envarc:Tavrin.conf"), devices.envarc() + "Tavrin.conf");
    EXPECT_EQ(Resolve("ram:rss-file"), devices.ram() + "rss-file");
    EXPECT_EQ(Resolve("T:tr.out"), devices.ram() + "t/tr.out");
    EXPECT_EQ(Resolve("ENV:AppPaths/Tavrin"), devices.ram() + "env/AppPaths/Tavrin");
    EXPECT_EQ(Resolve("NIL:"), "/dev/null");
    EXPECT_EQ(Resolve("standard/TR0.png"), "standard/TR0.png");
    EXPECT_EQ(Resolve("Tavrin:"), "<none>"); // not installed: unassigned
    EXPECT_EQ(Resolve("NOSUCHDEVICE:x"), "<none>");
    char tiny[8];
    EXPECT_FALSE(dos::ResolvePath("ENVARC:Tavrin.conf", tiny, sizeof(tiny)));
}

TEST(Paths, RamIsPrivateAndRefusedWhenSomeoneElseOwnsIt)
{
    testplat::Devices devices;
    std::filesystem::remove_all(devices.ram());
    dos::File *f = dos::Open("RAM:rss-file", dos::MODE_NEWFILE);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(dos::Close(f));
    struct stat st;
    ASSERT_EQ(stat(devices.ram().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    if (getuid() == 0) { // only root can hand the directory to another user
        ASSERT_EQ(chown(devices.ram().c_str(), 65534, 65534), 0);
        EXPECT_EQ(dos::Open("RAM:rss-file", dos::MODE_NEWFILE), nullptr);
    }
}

TEST(Files, AFailedSaveLeavesTheOldFile)
{
    testplat::Devices devices;
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", "OLD-DATA");
    dos_host::FailWritesAfter(3);
    dos::File *f = dos::Open("ENVARC:Tavrin.ts", dos::MODE_NEWFILE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(dos::Write(f, "12345678", 8), 3);
    EXPECT_FALSE(dos::Close(f));
    dos_host::FailWritesAfter(-1);
    EXPECT_EQ(testplat::ReadFile(devices.envarc() + "Tavrin.ts"), "OLD-DATA");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(devices.envarc()), {}), 1);

    f = dos::Open("ENVARC:Tavrin.ts", dos::MODE_NEWFILE);
    EXPECT_EQ(dos::Write(f, "NEW", 3), 3);
    EXPECT_TRUE(dos::Close(f));
    EXPECT_EQ(testplat::ReadFile(devices.envarc() + "Tavrin.ts"), "NEW");
}

TEST(Files, ReadAndErrors)
{
    testplat::Devices devices;
    EXPECT_EQ(dos::Open("ENVARC:missing", dos::MODE_OLDFILE), nullptr);
    char buf[64];
    EXPECT_GT(dos::Fault(dos::IoErr(), "Fehler", buf, sizeof(buf)), 0);
    EXPECT_STREQ(buf, "Fehler: No such file or directory");
    EXPECT_EQ(dos::Fault(2, "A long header", buf, 10), 9); // cut, with its NUL

    testplat::WriteFile(devices.envarc() + "data", "abcdef");
    dos::File *f = dos::Open("ENVARC:data", dos::MODE_OLDFILE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(dos::Read(f, buf, 4), 4);
    EXPECT_EQ(dos::Read(f, buf, 4), 2);
    EXPECT_EQ(dos::Read(f, buf, 4), 0);
    EXPECT_TRUE(dos::Close(f));
}

TEST(Paths, AddPart)
{
    const struct {
        const char *path, *part, *result;
    } kCases[] = {
        {"AppPaths", "Tavrin", "AppPaths/Tavrin"},
        {"", "Tavrin", "Tavrin"},
        {"RAM:", "x", "RAM:x"},
        {"dir/", "x", "dir/x"},
        {"dir", "ENV:x", "ENV:x"},
    };
    for (const auto &c : kCases) {
        char buf[64];
        strcpy(buf, c.path);
        EXPECT_TRUE(dos::AddPart(buf, c.part, sizeof(buf)));
        EXPECT_STREQ(buf, c.result);
    }
    char small[10] = "AppPaths";
    EXPECT_FALSE(dos::AddPart(small, "Tavrin", sizeof(small)));
    EXPECT_STREQ(small, "AppPaths");
}

TEST(ToolTypes, WorkbenchMatchingRules)
{
    char a[] = "DEBUG=START", b[] = "(OPENGUI)", c[] = "opengui2", d[] = "OPENGUI", e[] = "skin=mine";
    char *tt[] = {a, b, c, d, e, nullptr};
    EXPECT_STREQ(icon::FindToolType(tt, "DEBUG"), "START");
    EXPECT_STREQ(icon::FindToolType(tt, "OPENGUI"), "");
    EXPECT_STREQ(icon::FindToolType(tt, "SKIN"), "mine");
    EXPECT_EQ(icon::FindToolType(tt, "DEBU"), nullptr);
    EXPECT_EQ(icon::FindToolType(tt, "NEWSURL"), nullptr);
}

TEST(ToolTypes, StartLineComesBeforeTheIconFile)
{
    testplat::Devices devices;
    icon::WBStartup none {"Tavrin", nullptr};
    EXPECT_EQ(icon::GetDiskObject(&none), nullptr);

    testplat::WriteFile(devices.envarc() + "Tavrin.info", "NEWSURL=file.example\r\n\nDEBUG=GUI\n");
    char line[] = "NEWSURL=line.example";
    char *args[] = {line, nullptr};
    icon::WBStartup wbs {"Tavrin", args};
    icon::DiskObject *dobj = icon::GetDiskObject(&wbs);
    ASSERT_NE(dobj, nullptr);
    EXPECT_STREQ(icon::FindToolType(dobj->do_ToolTypes, "NEWSURL"), "line.example");
    EXPECT_STREQ(icon::FindToolType(dobj->do_ToolTypes, "DEBUG"), "GUI");
    icon::FreeDiskObject(dobj);
}

TEST(Exec, SignalsFromOtherThreadsAndFreeBits)
{
    exec_host::ResetSignals();
    exec::Task *me = exec::FindTask(nullptr);
    std::thread t([me] { exec::Signal(me, exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_D); });
    EXPECT_EQ(exec::Wait(exec::SIGBREAKF_CTRL_F | exec::SIGBREAKF_CTRL_C), exec::SIGBREAKF_CTRL_F);
    t.join();
    EXPECT_EQ(exec::SetSignal(0, exec::SIGBREAKF_CTRL_D), exec::SIGBREAKF_CTRL_D); // left pending

    int32_t bits[20];
    for (auto &b : bits) {
        b = exec::AllocSignal();
        EXPECT_TRUE(b >= 0 && (b < 12 || b > 15)) << b;
    }
    for (auto b : bits)
        exec::FreeSignal(b);
}

TEST(Exec, ListsAndPorts)
{
    exec::List list;
    exec::NewList(&list);
    EXPECT_TRUE(exec::IsListEmpty(&list));
    exec::Node n[3];
    for (auto &node : n)
        exec::AddTail(&list, &node);
    exec::Remove(&n[1]);
    EXPECT_EQ(exec::GetHead(&list), &n[0]);
    EXPECT_EQ(exec::GetSucc(&n[0]), &n[2]);
    EXPECT_EQ(exec::GetSucc(&n[2]), nullptr);
    EXPECT_EQ(exec::RemHead(&list), &n[0]);
    EXPECT_EQ(exec::RemHead(&list), &n[2]);
    EXPECT_EQ(exec::RemHead(&list), nullptr);

    exec::MsgPort *port = exec::CreatePort();
    exec::MsgPort *reply = exec::CreatePort();
    std::thread t([port, reply] {
        auto *msg = new exec::Message;
        msg->mn_ReplyPort = reply;
        exec::PutMsg(port, msg);
    });
    exec::Wait(exec::PortSigMask(port));
    t.join();
    exec::Message *msg = exec::GetMsg(port);
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(exec::GetMsg(port), nullptr);
    exec::ReplyMsg(msg);
    EXPECT_EQ(exec::GetMsg(reply), msg);
    delete msg;
    exec::DeletePort(port);
    exec::DeletePort(reply);
}

} // namespace
