#include "TavrinFeedHttp.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EntryList.h"
#include "Tavrin.h"
#include "TavrinCause.h"
#include "TavrinFeed.h"
#include "TavrinLocale.h"
#include "platform/FeedServer.h"
#include "platform/LoopbackServer.h"
#include "platform/TestPlatform.h"
#include "platform/curl/Knobs.h"
#include "platform/host.h"
#include "platform/http.h"

namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
constexpr ULONG BUF_SIZE = 200000;
std::atomic<int> gIdleCalls; // the quit thread reads it

struct FeedHttpTest : testing::Test {
    static std::unique_ptr<FeedServer> server;
    testplat::Devices devices;

    static void SetUpTestSuite() { server = std::make_unique<FeedServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override
    {
        testplat::Reset();
        gb_RSSBufSize = BUF_SIZE;
        gb_Debug = 0;
        gb_TS[0] = gb_TS[1] = 0;
        gb_NetCause = 0;
        ASSERT_TRUE(CreateAllObjects());
        Strlcpy(gb_CAFile, server->caFile().c_str(), sizeof gb_CAFile);
        http_host::SetTimeouts(5000, 1000, 20000); // a silent server fails within a second
    }
    void TearDown() override
    {
        DestroyAllObjects();
        gb_Win = nullptr;
        gb_Feed[0].url[0] = gb_Feed[1].url[0] = gb_CAFile[0] = 0;
        http_host::SetTimeouts(http_host::DefaultConnectTimeoutMs, http_host::DefaultSilenceTimeoutMs,
            http_host::DefaultDownloadTimeoutMs);
    }

    // One download and read of the German channel from `url`, as a check or a reload does it.
    static BOOL Fetch(const std::string &url)
    {
        Strlcpy(gb_Feed[Kestrel_german].url, url.c_str(), FEED_URL_SIZE);
        FreigebenList(&gb_List[Kestrel_german]);
        return getFeedInternal(Kestrel_german) && ParseFeedChannel(Kestrel_german);
    }
    // What the feed reader makes of the served feed.
    static std::vector<Entry> Served(const std::string &from)
    {
        ChannelList list;
        ParseFeedfile(&list.list, server->feed().c_str(), ULONG(server->feed().size()), from.c_str(), 0);
        return Entries(&list.list);
    }
    static std::vector<Entry> German() { return Entries(&gb_List[Kestrel_german]); }
    // How often `text` holds `line`; the request lines for `path`.
    static size_t Count(const std::string &text, const std::string &line)
    {
        size_t count = 0;
        for (size_t at = 0; (at = text.find(line, at)) != std::string::npos; at++)
            count++;
        return count;
    }
    static size_t Requests(const std::string &path) { return Count(server->Requests(), "GET /" + path + " "); }
};
std::unique_ptr<FeedServer> FeedHttpTest::server;

// The channel's list from a feed behind each kind of server. A failure leaves it empty and is kept for
// the dock; a reload names the tool type and the cause in a requester, a check leaves that to the dock.
TEST_F(FeedHttpTest, FeedsBehindEachKindOfServer)
{
    LoopbackServer refusing(LoopbackServer::Mode::Refusing);
    const std::string refused = "http://127.0.0.1" + refusing.address().substr(5) + "/feed";
    const std::string down = server->http("feed"), passwd = "file:///etc/passwd";
    const std::string otherName = "Zertifikat nicht vertrauenswürdig (ausgestellt für einen anderen Namen): ";
    const std::string tooMany = "Mehr als 5 Weiterleitungen";
    const size_t before = server->Requests().size();
    ASSERT_GT(Served(server->https("feed")).size(), 5u); // the feed's title and its items
    const struct {
        std::string url;
        std::string from; // where the feed came from; empty: the download fails
        LONG cause = 0;
        std::string words = ""; // the cause in the requester, up to the transport's own words
    } kCases[] = {
        {server->https("feed"), server->https("feed")},
        {server->https("gzip"), server->https("gzip")},
        {server->https("chain/5"), server->https("chain/0")},
        {server->http("feed"), server->http("feed")},
        {server->https("chain/6"), "", ERR_NetTooManyRedirects, tooMany},
        {server->otherName("feed"), "", ERR_NetCertificate, otherName},
        {server->https("down"), "", ERR_NetRedirect, "Weiterleitung abgelehnt: " + down},
        {server->https("file"), "", ERR_NetRedirect, "Weiterleitung abgelehnt: " + passwd},
        {passwd, "", ERR_NetBadAddress, "Nur Adressen mit http:// oder https:// werden gelesen"},
        {server->https("status/404"), "", ERR_NetHttpStatus, "HTTP-Status 404"},
        {refused, "", ERR_NetRefused, "Verbindung abgewiesen"},
        {server->https("silent"), "", ERR_NetTimedOut, "Zeitüberschreitung"},
    };
    for (const auto &c : kCases) {
        for (bool reload : {false, true}) {
            SCOPED_TRACE(c.url + (reload ? " reloaded" : " checked"));
            testplat::Reset();
            FreeFeedChannels();
            gb_Win = gui::WM_OPEN(gb_WindowObj);
            gb_NetCause = gb_NetStatus = 0;
            gb_TS[Kestrel_german] = 0; // a reload raises it; the entries are bold or not as they are made
            const std::vector<Entry> expected = c.from.empty() ? std::vector<Entry> {} : Served(c.from);
            Strlcpy(gb_Feed[Kestrel_german].url, c.url.c_str(), FEED_URL_SIZE);
            if (reload)
                RenewList(Kestrel_german);
            else
                EXPECT_EQ(CheckToNews(Kestrel_german) == -1, c.from.empty());
            EXPECT_EQ(gb_NetCause.load(), c.cause);
            EXPECT_EQ(gb_NetStatus.load() == 404, c.cause == ERR_NetHttpStatus); // kept for the dock's tooltip
            EXPECT_EQ(std::string(gb_Feed[Kestrel_german].from), c.from);
            EXPECT_EQ(German(), expected);
            const std::string shown = "Feed nicht geladen: GERMANFEED=" + c.url + "\n" + c.words;
            const Texts texts = testplat::RequesterBodies();
            ASSERT_EQ(texts.size(), reload && c.cause ? 1u : 0u);
            if (!texts.empty()) {
                EXPECT_EQ(texts[0].substr(0, shown.size()), shown);
            }
        }
    }
    // The English channel's requester names its own tool type.
    Strlcpy(gb_Feed[Kestrel_english].url, passwd.c_str(), FEED_URL_SIZE);
    RenewList(Kestrel_english);
    EXPECT_EQ(testplat::LastRequesterBody().rfind("Feed nicht geladen: ENGLISHFEED=" + passwd + "\n", 0), 0u);
    // Every request named the program, gzip was asked for and sent, and no file was read.
    const std::string requests = server->Requests().substr(before);
    EXPECT_EQ(Count(requests, " ua=Tavrin/1.05\n"), Count(requests, "GET ")) << requests;
    EXPECT_NE(requests.find("GET /gzip inm= ims= ae=deflate, gzip"), std::string::npos) << requests;
}

// A second check asks whether the feed changed, with the validators of the first answer (the date alone
// from a server that sent no ETag); the 304 rebuilds the entries exactly as they were.
TEST_F(FeedHttpTest, NotModifiedRebuildsTheEntriesAsTheyWere)
{
    const std::string date = "ims=Sat, 05 Dec 2026 12:34:56 GMT ";
    const std::pair<std::string, std::string> kCases[]
        = {{"feed/unchanged", "inm=\"v1\" " + date}, {"dated/unchanged", "inm= " + date}};
    for (const auto &[path, validators] : kCases) {
        FreeFeedChannels();
        Strlcpy(gb_Feed[Kestrel_german].url, server->https(path).c_str(), FEED_URL_SIZE);
        ASSERT_EQ(CheckToNews(Kestrel_german), 1);
        const std::vector<Entry> first = German();
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(CheckToNews(Kestrel_german), 1);
        EXPECT_EQ(German(), first);
        EXPECT_EQ(Requests(path), 2u);
        const std::string requests = server->Requests();
        EXPECT_NE(requests.find("GET /" + path + " " + validators), std::string::npos) << requests;
    }
}

// A 429 or 503 with Retry-After holds the channel back for that long, a day at most: the checks meanwhile
// send nothing and keep the entries; the first check after it asks again.
TEST_F(FeedHttpTest, RetryAfterHoldsTheChannelBack)
{
    const struct {
        std::string path;
        long held, free; // seconds after the refusal: still held, asked again
    } kCases[] = {
        {"flaky/120/seconds", 119, 120}, {"flaky/999999/capped", 86399, 86400},
        {"busy-date/date", 100, 125}, // the date is 120 s ahead of the server's clock
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.path);
        FreeFeedChannels();
        Strlcpy(gb_Feed[Kestrel_german].url, server->https(c.path).c_str(), FEED_URL_SIZE);
        const auto at = [](long seconds) { testplat::SetClock(17872 + seconds / 86400, seconds % 86400 * 50); };
        at(0);
        ASSERT_EQ(CheckToNews(Kestrel_german), 1);
        const std::vector<Entry> kept = German();
        EXPECT_EQ(CheckToNews(Kestrel_german), -1); // the refusal itself is a failed download
        at(c.held);
        EXPECT_EQ(CheckToNews(Kestrel_german), 1);
        EXPECT_EQ(German(), kept);
        EXPECT_EQ(Requests(c.path), 2u);
        at(c.free);
        EXPECT_EQ(CheckToNews(Kestrel_german), 1);
        EXPECT_EQ(Requests(c.path), 3u);
    }
    testplat::SetClock(17872, 0);
}

// A body longer than the buffer, also one that is only longer once decompressed, is cut to fit, reported
// with the buffer's usual requester, and read as far as it goes; a cut one keeps no validator, so that
// the next check fetches it whole.
TEST_F(FeedHttpTest, ALongerBodyIsCutAndReported)
{
    const std::pair<ULONG, bool> kSizes[] = {{BUF_SIZE, false}, {BUF_SIZE + 1, true}, {5 * BUF_SIZE, true}};
    for (const auto &[size, cut] : kSizes) {
        testplat::Reset();
        const std::string path = "big/" + std::to_string(size);
        Strlcpy(gb_Feed[Kestrel_german].url, server->https(path).c_str(), FEED_URL_SIZE);
        ASSERT_TRUE(getFeedInternal(Kestrel_german)) << size;
        EXPECT_EQ(gb_Feed[Kestrel_german].length, std::min(size, BUF_SIZE));
        EXPECT_EQ(testplat::RequesterBodies(), cut ? Texts {STR_ERR_BufferToSmall} : Texts {}) << size;
        EXPECT_EQ(gb_Feed[Kestrel_german].text[gb_Feed[Kestrel_german].length], 0);
        EXPECT_EQ(std::string(gb_Feed[Kestrel_german].etag), cut ? "" : "\"v1\"") << size;
    }
}

// The window repaints while a download waits, and a quit ends the download at once, long before any of its
// time-outs.
TEST_F(FeedHttpTest, AQuitEndsADownloadAtOnce)
{
    gIdleCalls = 0;
    net_host::SetIdleHook([] { gIdleCalls++; });
    http_host::SetTimeouts(30000, 30000, 60000);
    std::atomic<std::chrono::steady_clock::rep> quitAt {0};
    std::thread quitter([&quitAt] {
        for (int i = 0; i < 400 && gIdleCalls < 3; i++)
            std::this_thread::sleep_for(50ms);
        quitAt = std::chrono::steady_clock::now().time_since_epoch().count();
        exec_host::RequestQuit();
    });
    EXPECT_FALSE(Fetch(server->https("drip")));
    const auto end = std::chrono::steady_clock::now().time_since_epoch();
    quitter.join();
    EXPECT_GE(gIdleCalls, 3);
    EXPECT_LT(end - std::chrono::steady_clock::duration(quitAt.load()), 5s);
    EXPECT_FALSE(Fetch(server->https("feed"))); // the quit stays pending
    net_host::SetIdleHook(nullptr);
    testplat::Reset();
}

// TLS trusts the system's store, or SSL_CERT_FILE and SSL_CERT_DIR instead; CAFILE adds a CA to either.
TEST_F(FeedHttpTest, TrustComesFromTheSystemTheEnvironmentOrCaFile)
{
    const std::string ca = server->caFile(), none = "/nonexistent/ca.pem";
    const struct {
        std::string caFile, certFile, certDir;
        LONG cause, reason;
    } kCases[] = {
        {"", "", "", ERR_NetCertificate, ERR_CertUnknownIssuer},
        {ca, "", "", 0, 0},
        {"", ca, "", 0, 0},
        {"", "", server->caDir(), 0, 0},
        {ca, "/etc/ssl/certs/ca-certificates.crt", "", 0, 0},
        {none, "", "", ERR_NetFailed, 0},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.caFile + " | " + c.certFile + " | " + c.certDir);
        Strlcpy(gb_CAFile, c.caFile.c_str(), sizeof gb_CAFile);
        for (const auto &[name, value] : {std::pair {"SSL_CERT_FILE", c.certFile}, {"SSL_CERT_DIR", c.certDir}}) {
            if (value.empty())
                unsetenv(name);
            else
                setenv(name, value.c_str(), 1);
        }
        gb_NetCause = gb_NetReason = 0;
        EXPECT_EQ(Fetch(server->https("feed/trust")), c.cause ? FALSE : TRUE);
        EXPECT_EQ(gb_NetCause.load(), c.cause);
        EXPECT_EQ(gb_NetReason.load(), c.reason);
    }
    unsetenv("SSL_CERT_FILE");
    unsetenv("SSL_CERT_DIR");
}

// The proxy variables are honoured: the request goes to the proxy whole, its name resolved there.
TEST_F(FeedHttpTest, TheProxyOfTheEnvironmentIsUsed)
{
    for (const char *var : {"no_proxy", "NO_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(var);
    setenv("http_proxy", server->http("").c_str(), 1);
    EXPECT_TRUE(Fetch("http://feed.invalid/feed/proxied"));
    unsetenv("http_proxy");
    EXPECT_EQ(Requests("feed/proxied"), 0u);
    EXPECT_NE(server->Requests().find("GET http://feed.invalid/feed/proxied "), std::string::npos);
}

} // namespace
