#include "TavrinHttp.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "Tavrin.h"
#include "TavrinCause.h"
#include "TavrinLocale.h"
#include "platform/LoopbackServer.h"
#include "platform/TestPlatform.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/posix/Knobs.h"

namespace {

constexpr ULONG BUF_SIZE = 10000;
using Mode = LoopbackServer::Mode;
using Texts = std::vector<std::string>;
int gWindow; // only whether a window is open matters to a download
int gIdleCalls;

std::string Golden(LONG side)
{
    const char *name[] = {"request-rss_de.bin", "request-rss_en.bin", "request-vedod_de.bin"};
    return testplat::TestData(std::string("http/") + name[side]);
}

class GetNewsInternalTest : public testing::Test {
protected:
    void SetUp() override
    {
        snprintf(gb_NewsURL, sizeof gb_NewsURL, "%s", "news.kestrel.test");
        gb_RSSBufSize = BUF_SIZE;
        net_host::SetTimeouts(1000, 1000); // short, so that time-outs are quick to test
        testplat::Reset();
        gb_Win = nullptr;
        gb_Debug = 0;
    }

    BOOL Fetch(const LoopbackServer &server, LONG side = Kestrel_german)
    {
        snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", server.address().c_str());
        return getNewsInternal(buffer_.data(), side);
    }

    std::string buffer_ = std::string(BUF_SIZE + 1, '#'); // unterminated text would show
};

TEST_F(GetNewsInternalTest, DownloadsByServerBehaviour)
{
    // The text is the answer, terminated. A blocked download lets the host repaint meanwhile. The HTTP
    // debug word prints the counts and keeps the answer in RAM:.
    testplat::Devices devices;
    const struct {
        Mode mode;
        std::string answer;
        bool window;
        LONG side;
        BOOL result;
        bool sent; // the channel's request reached the server
        Texts requesters;
        LONG cause = 0; // kept for the dock: why the download failed
        bool debug = false;
    } cases[] = {
        {Mode::Answer, "<title>y</title>", false, Kestrel_english, TRUE, true, {}},
        {Mode::CloseAtOnce, "", false, Kestrel_german, TRUE, true, {}},
        // Failing to connect, refused or timed out, only bothers the user while the window is open; the
        // dock tells the two apart.
        {Mode::Refusing, "", false, Kestrel_german, FALSE, false, {}, ERR_NetRefused},
        {Mode::Refusing, "", true, Kestrel_german, FALSE, false, {STR_ERR_CanNotConnectServer}, ERR_NetRefused},
        {Mode::Backlogged, "", true, Kestrel_german, FALSE, false, {STR_ERR_CanNotConnectServer}, ERR_NetTimedOut},
        // A receive time-out always does; the part received stays terminated.
        {Mode::Silent, "partial", false, Kestrel_german, FALSE, true, {STR_ERR_ReceiveDataError}, ERR_NetTimedOut},
        {Mode::Answer, "", true, Arsschanel_max, FALSE, false, {}},
        {Mode::Answer, "<title>x</title>", false, Kestrel_german, TRUE, true, {}, 0, true},
    };
    net_host::SetIdleHook([] { gIdleCalls++; });
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        testplat::Reset();
        gIdleCalls = 0;
        gb_NetCause = 0;
        gb_Debug = c.debug ? DEBUG_HTTP : 0;
        gb_Win = c.window ? reinterpret_cast<gui::Window *>(&gWindow) : nullptr;
        const auto open = testplat::OpenDescriptors();
        {
            LoopbackServer server(c.mode, c.answer);
            testing::internal::CaptureStdout();
            EXPECT_EQ(Fetch(server, c.side), c.result);
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                c.debug ? " Attempting to send 82 bytes to server\n Finished receiving data, 16 bytes\n" : "");
            EXPECT_EQ(testplat::ReadFile(devices.ram() + "rss-file"), c.debug ? c.answer : "");
            EXPECT_EQ(buffer_.c_str(), c.answer);
            EXPECT_EQ(server.request(), c.sent ? Golden(c.side) : "");
            EXPECT_EQ(testplat::RequesterBodies(), c.requesters);
            for (const auto &r : testplat::Requesters()) // the download only ever offers an Ok button
                EXPECT_EQ(r.button, STR_TX_Ok);
            EXPECT_EQ(gb_NetCause.load(), c.cause);
            EXPECT_TRUE(c.mode != Mode::Silent || gIdleCalls > 0);
        }
        // The socket and the debug copy are closed however the download ended.
        EXPECT_EQ(testplat::OpenDescriptors(), open);
    }
    net_host::SetIdleHook(nullptr);
    // The site's channels cost nothing of the feeds' library, which brings many more of its own.
    EXPECT_EQ(testplat::ReadFile("/proc/self/maps").find("libcurl"), std::string::npos);
    char request[NEWS_REQUEST_SIZE]; // the hidden channel's server is fixed at port 80
    ASSERT_EQ(BuildNewsRequest(request, VEdod_german), TRUE);
    EXPECT_EQ(request, Golden(VEdod_german));
}

// An answer that fills the buffer is taken whole; one that is too long loses the 1024-byte chunk that
// did not fit and all behind it. Sent in one piece, it arrives whole, so the chunks count from its
// first byte however much a read takes.
TEST_F(GetNewsInternalTest, TooLongAnswerStopsAtAChunkBoundary)
{
    const std::pair<size_t, size_t> sentKept[] = {{BUF_SIZE, BUF_SIZE}, {9 * 1024 + 1, 9 * 1024 + 1},
        {BUF_SIZE + 1, 9 * 1024}, {10 * 1024, 9 * 1024}, {3 * BUF_SIZE, 9 * 1024}};
    for (const auto &[sent, kept] : sentKept) {
        testplat::Reset();
        LoopbackServer server(Mode::Answer, std::string(sent, 'c'));
        EXPECT_EQ(Fetch(server), TRUE);
        EXPECT_EQ(std::string(buffer_.c_str()), std::string(kept, 'c')) << sent;
        EXPECT_EQ(testplat::RequesterBodies(), sent > BUF_SIZE ? Texts {STR_ERR_BufferToSmall} : Texts {}) << sent;
    }
}

TEST(SplitServerAddressTest, AddressWithOrWithoutPort)
{
    // The address and port as split, or "" when refused.
    const std::pair<const char *, const char *> cases[]
        = {{"10.0.0.7", "10.0.0.7:80"}, {"127.0.0.1:8080", "127.0.0.1:8080"}, {"1.2.3.4:65535", "1.2.3.4:65535"},
            {"1.2.3.4:", ""}, {"1.2.3.4:0", ""}, {"1.2.3.4:65536", ""}, {"1.2.3.4:99999999999", ""},
            {"1.2.3.4:80x", ""}, {"123.123.123.123", ""}}; // the last one longer than the room for it
    for (const auto &[adr, split] : cases) {
        char host[15] = "";
        UWORD port = 0;
        const BOOL ok = SplitServerAddress(adr, host, sizeof host, &port);
        EXPECT_EQ(ok ? std::string(host) + ":" + std::to_string(port) : "", split) << adr;
    }
}

} // namespace
