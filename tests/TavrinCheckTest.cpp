#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "Tavrin.h"
#include "platform/FakeGui.h"
#include "platform/LoopbackServer.h"
#include "platform/TestPlatform.h"

namespace {

// Two items; the newer one is 5 December 2026 12:34:56.
const std::string kFeed = "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n"
                          "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kestrel Review</title>"
                          "<link>http://kestrel.test/</link><description>News</description>"
                          "<item><title>New</title><link>http://kestrel.test/1</link>"
                          "<description>One</description><pubDate>Sat, 05 Dec 2026 12:34:56 +0100</pubDate></item>"
                          "<item><title>Old</title><link>http://kestrel.test/2</link>"
                          "<description>Two</description><pubDate>Fri, 04 Dec 2026 08:00:00 +0100</pubDate></item>"
                          "</channel></rss>";
const ULONG kNewest = 1544013296;

std::string Be32(ULONG v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

int CountEntries(exec::List *list)
{
    int n = 0;
    for (exec::Node *node = exec::GetHead(list); node; node = exec::GetSucc(node))
        n++;
    return n;
}

struct RenewListTest : testing::Test {
    testplat::Devices devices;
    TavrinDockyData dock {};

    void SetUp() override
    {
        testplat::Reset();
        fakegui::Reset();
        gb_RSSBufSize = 200000;
        gb_Debug = 0;
        gb_TS[0] = gb_TS[1] = gb_TS[2] = 0;
        snprintf(gb_NewsURL, sizeof gb_NewsURL, "kestrel.test");
        gb_DockyData = &dock;
        ASSERT_TRUE(CreateAllObjects());
        gb_Win = gui::WM_OPEN(gb_WindowObj);
        fakegui::ClearCalls();
    }
    void TearDown() override
    {
        DestroyAllObjects();
        gb_Win = nullptr;
        gb_DockyData = nullptr;
    }

    void Renew(const LoopbackServer &server, LONG side)
    {
        snprintf(gb_NewsADR, sizeof gb_NewsADR, "%s", server.address().c_str());
        RenewList(side);
    }
    std::string TimestampFile() const { return testplat::ReadFile(devices.envarc() + "Tavrin.ts"); }
};

TEST_F(RenewListTest, ReloadMarksTheChannelSeenAndShowsItUnselected)
{
    const struct {
        LONG side;
        LONG stateBefore, stateAfter;
    } kCases[] = {
        {Kestrel_german, State_ge, State_english},
        {Kestrel_german, State_english, State_english},
        {Kestrel_german, State_german, State_none},
        {Kestrel_english, State_ge, State_german},
        {Kestrel_english, State_german, State_german},
    };
    for (const auto &c : kCases) {
        gb_TS[0] = gb_TS[1] = 7;
        dock.state = c.stateBefore;
        LoopbackServer server(LoopbackServer::Mode::Answer, kFeed);
        fakegui::ClearCalls();
        Renew(server, c.side);

        EXPECT_EQ(gb_TS[c.side], kNewest);
        EXPECT_EQ(gb_TS[1 - c.side], 7u);
        EXPECT_EQ(dock.state.load(), c.stateAfter) << c.side << " from " << c.stateBefore;
        EXPECT_EQ(TimestampFile(), c.side == 0 ? Be32(kNewest) + Be32(7) : Be32(7) + Be32(kNewest));
        EXPECT_EQ(CountEntries(&gb_List[c.side]), 3); // the channel's own entry and two items
        EXPECT_EQ(fakegui::Labels(gb_NewslistGad), &gb_List[c.side]);
        EXPECT_EQ(fakegui::Selected(gb_NewslistGad), -1);
        // Detached while the old entries are freed, busy while downloading.
        EXPECT_EQ(fakegui::Calls(), (std::vector<std::string> {"labels", "busy on", "busy off", "labels"}));
        EXPECT_TRUE(testplat::Requesters().empty());
    }
}

TEST_F(RenewListTest, FailedDownloadLeavesTimestampsStateAndFileAlone)
{
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", Be32(3) + Be32(4));
    gb_TS[0] = 3;
    gb_TS[1] = 4;
    dock.state = State_ge;
    {
        LoopbackServer first(LoopbackServer::Mode::Answer, kFeed);
        Renew(first, Kestrel_german); // fills the list that the failure must empty
    }
    gb_TS[0] = 3;
    testplat::WriteFile(devices.envarc() + "Tavrin.ts", Be32(3) + Be32(4));
    dock.state = State_ge;

    LoopbackServer refusing(LoopbackServer::Mode::Refusing);
    Renew(refusing, Kestrel_german);
    EXPECT_EQ(gb_TS[0], 3u);
    EXPECT_EQ(gb_TS[1], 4u);
    EXPECT_EQ(dock.state.load(), State_ge);
    EXPECT_EQ(TimestampFile(), Be32(3) + Be32(4));
    EXPECT_EQ(CountEntries(&gb_List[0]), 0);
    EXPECT_EQ(fakegui::Labels(gb_NewslistGad), &gb_List[0]);
    EXPECT_FALSE(fakegui::Busy(gb_WindowObj));
    ASSERT_EQ(testplat::Requesters().size(), 1u); // the window is open: the failure is reported
    EXPECT_EQ(testplat::Requesters()[0].body, "Couldnt connect to server");
}

} // namespace
