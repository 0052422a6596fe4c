#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/exec.h"
#include "platform/host.h"
#include "platform/posix/Knobs.h"
#include "platform/posix/PosixDos.h"

namespace {

// ENVARC:, RAM:, T:, NIL:, PROGDIR:, an unassigned Tavrin:, relative paths and devices in lower case
// (the browser's "ram:" and "t:") are resolved in the tests of the program's files.
TEST(Paths, DevicesAreCaseInsensitiveAndRedirectable)
{
    testplat::Devices devices;
    const struct {
        const char *path;
        std::string host;
    } kCases[] = {
        {"env:AppPaths/Tavrin", devices.ram() + "env/AppPaths/Tavrin"},
        {"NOSUCHDEVICE:x", "<none>"},
        // HostPathsWithAColonAreNoDeviceNames
        {"/home/me/a:b/x.wav", "/home/me/a:b/x.wav"},
        {"skins/a:b", "skins/a:b"},
    };
    for (const auto &c : kCases) {
        char buf[1024];
        EXPECT_EQ(dos::ResolvePath(c.path, buf, sizeof(buf)) ? std::string(buf) : "<none>", c.host) << c.path;
    }
}

// The default RAM: lies in a shared place; what is found there under its name is used only when it is
// the user's own directory that no one else may write, which it then is made private.
TEST(Paths, TheDefaultRamDirectoryIsPrivate)
{
    testplat::TempDir runtime;
    const std::string ram = runtime.file("tavrin");
    const auto Directory = [&](mode_t mode) {
        mkdir(ram.c_str(), 0700);
        chmod(ram.c_str(), mode);
    };
    const struct {
        const char *name;
        std::function<void()> make;
        const char *refusal; // null: used
        mode_t mode; // of the directory afterwards
    } kCases[] = {
        {"missing", [] {}, nullptr, 0700},
        {"private", [&] { Directory(0700); }, nullptr, 0700},
        {"readable by the group", [&] { Directory(0750); }, nullptr, 0700},
        {"writable by the group", [&] { Directory(0770); }, "may be written by others", 0770},
        {"a link", [&] { symlink(runtime.path().c_str(), ram.c_str()); }, "is a symbolic link", 0},
        {"a file", [&] { testplat::WriteFile(ram, ""); }, "is no directory", 0},
    };
    unsetenv("TAVRIN_ASSIGN_RAM");
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(ram);
        c.make();
        testing::internal::CaptureStderr();
        application::RegisterError why {};
        EXPECT_EQ(posix_dos::PrivateRamDir(&why), c.refusal ? "" : ram + "/");
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(message.find(c.refusal ? c.refusal : "Tavrin:") != std::string::npos, c.refusal != nullptr)
            << message;
        struct stat st { };
        if (c.mode) {
            EXPECT_TRUE(lstat(ram.c_str(), &st) == 0 && (st.st_mode & 07777) == c.mode) << std::oct << st.st_mode;
        }
    }
    unsetenv("XDG_RUNTIME_DIR");
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
