// The demo feed server, fetched the way the ticker fetches it.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Tavrin.h"
#include "platform/TestPlatform.h"

extern char **environ;

namespace {

constexpr ULONG BUF_SIZE = 200000;

class DemoServer {
public:
    // Starts the server on a free port; pid() stays 0 when it could not be started.
    explicit DemoServer(const std::string &script)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const char *argv[] = {script.c_str(), "--port", "0", "--interval", "0", nullptr};
        if (posix_spawn(&pid_, script.c_str(), &actions, nullptr, const_cast<char **>(argv), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        FILE *in = fdopen(out[0], "r");
        if (!in || fscanf(in, "%hu", &port_) != 1)
            port_ = 0;
        if (in)
            fclose(in);
    }
    ~DemoServer()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }
    unsigned short port() const { return port_; }

private:
    pid_t pid_ = 0;
    unsigned short port_ = 0;
};

size_t Count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

class DemoFeedServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string script = std::string(getenv("TAVRIN_TEST_DATA")) + "/../../tools/demo-feed-server";
        if (access("/usr/bin/python3", X_OK) != 0)
            GTEST_SKIP() << "no /usr/bin/python3";
        server_ = std::make_unique<DemoServer>(script);
        ASSERT_NE(server_->port(), 0) << "the server prints its port first";
        ASSERT_LT(server_->port(), 10000) << "NEWSADR=127.0.0.1:<port> must fit its 14 characters";
        snprintf(gb_NewsURL, sizeof gb_NewsURL, "localhost");
        ASSERT_LT(snprintf(gb_NewsADR, sizeof gb_NewsADR, "127.0.0.1:%u", server_->port()), int(sizeof gb_NewsADR));
        gb_RSSBufSize = BUF_SIZE;
        gb_Debug = 0;
        testplat::Reset();
        buffer_.assign(BUF_SIZE + 1, 0);
    }

    std::string Fetch(LONG side)
    {
        EXPECT_EQ(getNewsInternal(buffer_.data(), side), TRUE);
        EXPECT_TRUE(testplat::Requesters().empty());
        return buffer_.data();
    }

    std::unique_ptr<DemoServer> server_;
    std::vector<char> buffer_;
};

TEST_F(DemoFeedServerTest, ServesBothChannelsInLatin1)
{
    const std::string german = Fetch(Kestrel_german);
    EXPECT_EQ(german.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(german.find("<title>Kestrel Review - Nachrichten</title>"), std::string::npos);
    EXPECT_NE(german.find("<title>L\xf6tkolben &amp; Leiterplatten"), std::string::npos);
    EXPECT_NE(german.find("&lt;p&gt;"), std::string::npos);

    const std::string english = Fetch(Kestrel_english);
    EXPECT_NE(english.find("<title>Kestrel Review - News</title>"), std::string::npos);
    EXPECT_NE(english.find("&quot;Northern Light&quot;"), std::string::npos);
}

TEST_F(DemoFeedServerTest, UserSignalPublishesAnItem)
{
    const size_t before = Count(Fetch(Kestrel_english), "<item>");
    ASSERT_GT(before, 0u);
    kill(server_->pid(), SIGUSR1);
    // The signal reaches the server's main thread asynchronously; ask again until it has.
    size_t after = before;
    for (int tries = 0; tries < 100 && after == before; tries++) {
        usleep(20000);
        after = Count(Fetch(Kestrel_english), "<item>");
    }
    EXPECT_EQ(after, before + 1);
}

} // namespace
