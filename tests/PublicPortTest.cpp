#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/TestPlatform.h"
#include "platform/exec.h"

namespace {

const char PortName[] = "Tavrin68k_port";

class PublicPortTest : public testing::Test {
protected:
    void SetUp() override { testplat::Reset(); }
    void TearDown() override { exec::DeletePort(port); }

    // A socket on the port's path; `op` is connect, or bind for a socket file of our own.
    int Socket(int (*op)(int, const sockaddr *, socklen_t))
    {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr {AF_UNIX, {}};
        std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
        EXPECT_EQ(op(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
        return fd;
    }

    // Sends `text` as a client, takes the one message it makes and replies; the server then closes.
    std::string RoundTrip(const std::string &text, bool endInput)
    {
        int fd = Socket(connect);
        EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
        if (endInput)
            shutdown(fd, SHUT_WR);
        exec::Message *msg;
        while (!(msg = exec::GetMsg(port)))
            exec::Wait(exec::PortSigMask(port));
        std::string name = msg->mn_Node.ln_Name ? msg->mn_Node.ln_Name : "(unnamed)";
        exec::ReplyMsg(msg);
        char c;
        EXPECT_EQ(read(fd, &c, 1), 0);
        close(fd);
        return name;
    }

    testplat::Devices dev;
    exec::MsgPort *port = exec::CreatePort();
    std::string path = dev.ram() + PortName;
};

// The socket of a crashed run is replaced; then each connection is one message named by its first
// line. The socket of a running instance or of a successor, or any other file on the path, is kept.
TEST_F(PublicPortTest, OneConnectionIsOneMessageNamedByItsFirstLine)
{
    const struct {
        std::string sent;
        bool endInput;
        std::string name;
    } cases[] = {
        {"wakeup\nquit\n", false, "wakeup"},
        {"wakeup", false, "wakeup"}, // as `printf wakeup | nc -U` sends it: no newline, kept open
        {"\n", true, "(unnamed)"},
        {" wakeup\r\n", true, " wakeup\r"},
        {std::string(300, 'x'), true, std::string(255, 'x')},
    };
    close(Socket(bind));
    ASSERT_TRUE(exec::AddPort(port, PortName));
    for (const auto &c : cases)
        EXPECT_EQ(RoundTrip(c.sent, c.endInput), c.name);
    exec::RemPort(port);
    EXPECT_FALSE(testplat::FileExists(path));

    // Another instance that took the name over meanwhile keeps its socket.
    ASSERT_TRUE(exec::AddPort(port, PortName));
    unlink(path.c_str());
    const int successor = Socket(bind);
    exec::RemPort(port);
    EXPECT_TRUE(testplat::FileExists(path));
    close(successor);
    unlink(path.c_str());

    int live = Socket(bind);
    ASSERT_EQ(listen(live, 4), 0);
    EXPECT_FALSE(exec::AddPort(port, PortName));
    close(Socket(connect));
    close(live);
    unlink(path.c_str());
    testplat::WriteFile(path, "user data");
    EXPECT_FALSE(exec::AddPort(port, PortName));
    EXPECT_EQ(testplat::ReadFile(path), "user data");
}

} // namespace
