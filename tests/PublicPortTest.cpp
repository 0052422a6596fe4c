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

sockaddr_un Address(const std::string &path)
{
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    return addr;
}

// A client connection; -1 when nobody listens.
int Connect(const std::string &path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr = Address(path);
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int Send(const std::string &path, const std::string &text, bool endInput)
{
    int fd = Connect(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    if (endInput)
        shutdown(fd, SHUT_WR);
    return fd;
}

// True when the server has closed the connection.
bool ClosedByServer(int fd)
{
    char c;
    return read(fd, &c, 1) == 0;
}

class PublicPortTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        port = exec::CreatePort();
        path = dev.ram() + PortName;
    }
    void TearDown() override
    {
        exec::DeletePort(port);
        testplat::Reset();
    }

    exec::Message *Receive()
    {
        exec::Message *msg;
        while (!(msg = exec::GetMsg(port)))
            exec::Wait(exec::PortSigMask(port));
        return msg;
    }

    testplat::Devices dev;
    exec::MsgPort *port = nullptr;
    std::string path;
};

TEST_F(PublicPortTest, OneConnectionIsOneMessageUntilItIsReplied)
{
    ASSERT_TRUE(exec::AddPort(port, PortName));
    int fd = Send(path, "wakeup\n", false);
    exec::Message *msg = Receive();
    ASSERT_NE(msg->mn_Node.ln_Name, nullptr);
    EXPECT_STREQ(msg->mn_Node.ln_Name, "wakeup");
    exec::ReplyMsg(msg);
    EXPECT_TRUE(ClosedByServer(fd));
    close(fd);
    exec::RemPort(port);
    EXPECT_FALSE(testplat::FileExists(path));
}

TEST_F(PublicPortTest, MessageNames)
{
    const struct {
        const char *label;
        std::string sent;
        bool endInput;
        const char *name; // null: unnamed
    } cases[] = {
        {"line", "wakeup\n", false, "wakeup"},
        {"rest of the data ignored", "wakeup\nquit\n", true, "wakeup"},
        {"end of data", "wakeup", true, "wakeup"},
        // As `printf wakeup | nc -U` sends it: no newline, connection kept open.
        {"silence", "wakeup", false, "wakeup"},
        {"nothing", "", true, nullptr},
        {"empty line", "\n", true, nullptr},
        {"blanks kept", " wakeup\r\n", true, " wakeup\r"},
        {"long", std::string(300, 'x') + "\n", true, nullptr},
    };
    ASSERT_TRUE(exec::AddPort(port, PortName));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        int fd = Send(path, c.sent, c.endInput);
        exec::Message *msg = Receive();
        if (std::string(c.label) == "long") {
            ASSERT_NE(msg->mn_Node.ln_Name, nullptr);
            EXPECT_EQ(std::string(msg->mn_Node.ln_Name), std::string(255, 'x'));
        } else if (c.name) {
            ASSERT_NE(msg->mn_Node.ln_Name, nullptr);
            EXPECT_STREQ(msg->mn_Node.ln_Name, c.name);
        } else {
            EXPECT_EQ(msg->mn_Node.ln_Name, nullptr);
        }
        exec::ReplyMsg(msg);
        EXPECT_TRUE(ClosedByServer(fd));
        close(fd);
    }
    exec::RemPort(port);
}

TEST_F(PublicPortTest, ConnectionsAreServedOneAfterTheOther)
{
    ASSERT_TRUE(exec::AddPort(port, PortName));
    int first = Send(path, "one\n", true);
    exec::Message *msg = Receive();
    int second = Send(path, "two\n", true);
    EXPECT_STREQ(msg->mn_Node.ln_Name, "one");
    EXPECT_EQ(exec::GetMsg(port), nullptr);
    exec::ReplyMsg(msg);
    msg = Receive();
    EXPECT_STREQ(msg->mn_Node.ln_Name, "two");
    exec::ReplyMsg(msg);
    EXPECT_TRUE(ClosedByServer(first));
    EXPECT_TRUE(ClosedByServer(second));
    close(first);
    close(second);
    exec::RemPort(port);
}

// Removing the port lets a client go whose message the program never took.
TEST_F(PublicPortTest, RemPortRepliesWhatIsQueued)
{
    ASSERT_TRUE(exec::AddPort(port, PortName));
    int fd = Send(path, "wakeup\n", true);
    exec::Wait(exec::PortSigMask(port));
    exec::RemPort(port);
    EXPECT_TRUE(ClosedByServer(fd));
    close(fd);
    EXPECT_EQ(exec::GetMsg(port), nullptr);
}

TEST_F(PublicPortTest, StaleSocketOfACrashedRunIsReplaced)
{
    int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr = Address(path);
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    close(dead);
    ASSERT_TRUE(testplat::FileExists(path));

    ASSERT_TRUE(exec::AddPort(port, PortName));
    int fd = Send(path, "wakeup\n", true);
    exec::ReplyMsg(Receive());
    close(fd);
    exec::RemPort(port);
}

TEST_F(PublicPortTest, LiveSocketOfARunningInstanceIsKept)
{
    int live = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr = Address(path);
    ASSERT_EQ(bind(live, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(listen(live, 4), 0);

    EXPECT_FALSE(exec::AddPort(port, PortName));
    EXPECT_TRUE(testplat::FileExists(path));
    int probe = Connect(path);
    EXPECT_GE(probe, 0);
    close(probe);
    close(live);
}

TEST_F(PublicPortTest, OtherFilesAreNeverTouched)
{
    testplat::WriteFile(path, "user data");
    EXPECT_FALSE(exec::AddPort(port, PortName));
    EXPECT_EQ(testplat::ReadFile(path), "user data");
    EXPECT_FALSE(exec::AddPort(port, "sub/dir"));
}

} // namespace
