#include "TavrinHttp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/LoopbackServer.h"
#include "platform/TestPlatform.h"
#include "platform/host.h"
#include "platform/net.h"

namespace {

constexpr ULONG BUF_SIZE = 10000;
using Mode = LoopbackServer::Mode;

std::string Golden(const char *name)
{
    return testplat::ReadFile(std::string(getenv("TAVRIN_TEST_DATA")) + "/http/" + name);
}

// The texts of the requesters shown, each with the one button the download ever offers.
std::vector<std::string> Requesters()
{
    std::vector<std::string> texts;
    for (const auto &r : testplat::Requesters()) {
        EXPECT_EQ(r.button, STR_TX_Ok);
        texts.push_back(r.body);
    }
    return texts;
}

void SetWindowOpen(bool open)
{
    // Only whether a window is open matters to a download.
    static int window;
    gb_Win = open ? reinterpret_cast<gui::Window *>(&window) : nullptr;
}

// Bytes without NULs, so that strlen finds the stored count.
std::string Answer(size_t size)
{
    std::string text(size, 0);
    for (size_t i = 0; i < size; i++)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

class GetNewsInternalTest : public testing::Test {
protected:
    void SetUp() override
    {
        snprintf(gb_NewsURL, sizeof gb_NewsURL, "%s", "news.kestrel.test");
        gb_RSSBufSize = BUF_SIZE;
        gb_Debug = 0;
        gb_Win = nullptr;
        buffer_.assign(BUF_SIZE + 1, '#');
        // Nothing in these tests may wait for the real time-outs.
        net::SetTimeouts(5000, 5000);
        testplat::Reset();
    }
    void TearDown() override
    {
        net::SetTimeouts(net::DefaultConnectTimeoutMs, net::DefaultReceiveTimeoutMs);
        gb_Win = nullptr;
        gb_Debug = 0;
    }

    BOOL Fetch(const std::string &address, LONG side = Kestrel_german)
    {
        snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", address.c_str());
        return getNewsInternal(buffer_.data(), side);
    }
    std::string Text() const { return buffer_.data(); }

    std::vector<char> buffer_;
};

TEST_F(GetNewsInternalTest, SendsTheChannelsRequestByteForByte)
{
    const struct {
        LONG side;
        const char *golden;
    } cases[] = {
        {Kestrel_german, "request-rss_de.bin"},
        {Kestrel_english, "request-rss_en.bin"},
    };
    for (const auto &c : cases) {
        LoopbackServer server(Mode::Answer, "<title>x</title>");
        EXPECT_EQ(Fetch(server.address(), c.side), TRUE);
        EXPECT_EQ(server.request(), Golden(c.golden)) << c.golden;
    }
}

TEST_F(GetNewsInternalTest, SecondSiteIsAskedOnPort80OfItsFixedAddress)
{
    char request[NEWS_REQUEST_SIZE];
    ASSERT_EQ(BuildNewsRequest(request, VEdod_german), TRUE);
    EXPECT_EQ(std::string(request), Golden("request-vedod_de.bin"));

    LoopbackServer server(Mode::Answer, "<title>VEdod</title>", 80);
    if (!server.ok())
        GTEST_SKIP() << "port 80 is taken or needs privileges";
    EXPECT_EQ(Fetch("192.0.2.1", VEdod_german), TRUE) << "NEWSADR must not matter for the second site";
    EXPECT_EQ(Text(), "<title>VEdod</title>");
    EXPECT_EQ(server.request(), Golden("request-vedod_de.bin"));
}

TEST_F(GetNewsInternalTest, AnswerBeyondTheBufferIsCutAtAChunkBoundary)
{
    {
        const std::string answer = Answer(BUF_SIZE);
        LoopbackServer server(Mode::Answer, answer);
        EXPECT_EQ(Fetch(server.address()), TRUE);
        EXPECT_EQ(Text(), answer);
        EXPECT_TRUE(Requesters().empty());
    }
    {
        const std::string answer = Answer(BUF_SIZE + 1);
        LoopbackServer server(Mode::Answer, answer);
        EXPECT_EQ(Fetch(server.address()), TRUE);
        const std::string text = Text();
        EXPECT_LT(text.size(), answer.size());
        EXPECT_GE(text.size(), BUF_SIZE - 1023) << "only the chunk that did not fit may be lost";
        EXPECT_EQ(answer.compare(0, text.size(), text), 0);
        EXPECT_EQ(Requesters(), std::vector<std::string> {STR_ERR_BufferToSmall});
    }
}

TEST_F(GetNewsInternalTest, ServerClosingAtOnceGivesAnEmptyText)
{
    LoopbackServer server(Mode::CloseAtOnce);
    EXPECT_EQ(Fetch(server.address()), TRUE);
    EXPECT_EQ(Text(), "");
    EXPECT_TRUE(Requesters().empty());
}

// Refused, timed out and unusable addresses all count as a failed connection, which only bothers
// the user while the window is open.
TEST_F(GetNewsInternalTest, FailedConnectionShowsRequesterOnlyWithWindowOpen)
{
    net::SetTimeouts(300, 5000);
    LoopbackServer refusing(Mode::Refusing);
    LoopbackServer backlogged(Mode::Backlogged);
    const std::string cases[] = {
        refusing.address(),
        backlogged.address(),
        "300.1.2.3",
        "127.0.0.1:0",
        "127.0.0.1:8x",
    };
    for (const bool windowOpen : {false, true}) {
        for (const auto &address : cases) {
            SetWindowOpen(windowOpen);
            testplat::Reset();
            EXPECT_EQ(Fetch(address), FALSE) << address;
            EXPECT_EQ(Text(), "");
            EXPECT_EQ(Requesters(),
                windowOpen ? std::vector<std::string> {STR_ERR_CanNotConnectServer} : std::vector<std::string> {})
                << address << (windowOpen ? " window open" : " window closed");
        }
    }
}

TEST_F(GetNewsInternalTest, ConnectTimeoutIsReportedAsSuch)
{
    net::SetTimeouts(300, 5000);
    LoopbackServer refusing(Mode::Refusing);
    LoopbackServer backlogged(Mode::Backlogged);
    const struct {
        uint16_t port;
        net::Result result;
    } cases[] = {
        {refusing.port(), net::Result::Failed},
        {backlogged.port(), net::Result::TimedOut},
    };
    for (const auto &c : cases) {
        net::Socket *s = net::OpenStream();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(net::Connect(s, "127.0.0.1", c.port), c.result);
        net::Close(s);
    }
}

TEST_F(GetNewsInternalTest, SilentServerIsAReceiveErrorEvenWithWindowClosed)
{
    net::SetTimeouts(5000, 200);
    LoopbackServer server(Mode::Silent, "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(Fetch(server.address()), FALSE);
    EXPECT_EQ(Text(), "HTTP/1.0 200 OK\r\n") << "the part received stays terminated";
    EXPECT_EQ(Requesters(), std::vector<std::string> {STR_ERR_ReceiveDataError});
}

TEST_F(GetNewsInternalTest, BlockedDownloadLetsTheHostRepaint)
{
    static int idleCalls;
    idleCalls = 0;
    net_host::SetIdleHook([] { idleCalls++; });
    net::SetTimeouts(5000, 300);
    LoopbackServer server(Mode::Silent, "partial");
    EXPECT_EQ(Fetch(server.address()), FALSE);
    net_host::SetIdleHook(nullptr);
    EXPECT_GT(idleCalls, 0);
}

TEST_F(GetNewsInternalTest, ChannelBeyondTheLastFailsWithoutConnecting)
{
    for (const LONG side : {LONG(Arsschanel_max), LONG(-1), LONG(100)}) {
        SetWindowOpen(true);
        LoopbackServer server(Mode::Answer, "<title>x</title>");
        EXPECT_EQ(Fetch(server.address(), side), FALSE);
        EXPECT_EQ(Text(), "");
        EXPECT_EQ(server.request(), "");
        EXPECT_TRUE(Requesters().empty());
    }
}

TEST_F(GetNewsInternalTest, HttpDebugPrintsCountsAndKeepsTheAnswerInRam)
{
    const std::string answer = "HTTP/1.0 200 OK\r\n\r\n<title>x</title>";
    const struct {
        WORD debug;
        const char *output;
    } cases[] = {
        {DEBUG_HTTP,
            " Attempting to send 82 bytes to server\n"
            " Finished receiving data, 35 bytes\n"},
        {WORD(DEBUG_ALL & ~DEBUG_HTTP), ""},
    };
    for (const auto &c : cases) {
        testplat::Devices devices;
        const std::string dump = devices.ram() + "rss-file";
        gb_Debug = c.debug;
        LoopbackServer server(Mode::Answer, answer);
        testing::internal::CaptureStdout();
        EXPECT_EQ(Fetch(server.address()), TRUE);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
        EXPECT_EQ(testplat::FileExists(dump), c.debug == DEBUG_HTTP);
        if (c.debug == DEBUG_HTTP) {
            EXPECT_EQ(testplat::ReadFile(dump), answer);
        }
    }
}

TEST(SplitServerAddressTest, AddressWithOrWithoutPort)
{
    const struct {
        const char *adr;
        BOOL ok;
        const char *host;
        UWORD port;
    } cases[] = {
        {"10.0.0.7", TRUE, "10.0.0.7", 80},
        {"127.0.0.1:8080", TRUE, "127.0.0.1", 8080},
        {"1.2.3.4:65535", TRUE, "1.2.3.4", 65535},
        {"1.2.3.4:", FALSE, "", 0},
        {"1.2.3.4:0", FALSE, "", 0},
        {"1.2.3.4:65536", FALSE, "", 0},
        {"1.2.3.4:99999999999", FALSE, "", 0},
        {"1.2.3.4:80x", FALSE, "", 0},
        {"1.2.3.4:-80", FALSE, "", 0},
    };
    for (const auto &c : cases) {
        char host[16] = "";
        UWORD port = 0;
        EXPECT_EQ(SplitServerAddress(c.adr, host, sizeof host, &port), c.ok) << c.adr;
        if (c.ok) {
            EXPECT_STREQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
    char small[4];
    UWORD port;
    EXPECT_EQ(SplitServerAddress("127.0.0.1", small, sizeof small, &port), FALSE);
}

} // namespace
