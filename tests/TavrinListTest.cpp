#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "EntryList.h"
#include "TavrinLocale.h"
#include "TavrinPipeline.h"
#include "platform/TestPlatform.h"

namespace {

constexpr char DATE[] = "05 Dec 2026 12:34:56";
constexpr ULONG TS = 1544013296;

class ListTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        gb_Debug = 0;
        for (ULONG &ts : gb_TS)
            ts = 0;
        // Every list starts with its channel header.
        CreateEntry(&channel.list, "Channel", "http://example.org/", "", "", Kestrel_german);
    }
    ChannelList channel;
};

struct TimestampCase {
    const char *date;
    ULONG ts;
};

TEST(EntryTimestamp, CalendarArithmetic)
{
    const TimestampCase cases[] = {
        {DATE, TS},
        {"06 Dec 2026 12:34:56", TS + 86400},
        {"01 Jan 1978 00:00:01", 1},
        {"31 Dec 1999 23:59:59", 694223999},
        {"01 Jan 2000 00:00:00", 694224000},
        {"29 Feb 2024 06:07:08", 1456726028},
        {"01 Mar 2025 00:00:00", 1488326400},
        {"31 Dec 2077 23:59:59", 3155759999u},
        // Impossible dates and times, letters, short and cut texts.
        {"29 Feb 2025 00:00:00", 0},
        {"31 Feb 2026 12:00:00", 0},
        {"00 Dec 2026 12:34:56", 0},
        {"05 Dec 2026 24:00:00", 0},
        {"05 Dec 2026 12:60:00", 0},
        {"05 Dec 2026 12:34:60", 0},
        {"0x Dec 2026 12:34:56", 0},
        {"05 Dec 20a6 12:34:56", 0},
        {"05 Dec 2026 12-34-56", 0},
        {"05 Dec 2026 12:34:", 0},
        {"05 Dec 2026", 0},
        {"05 Dec", 0},
        {"5 Dec 2026 12:34:56", 0},
        {"05 Dez 2026 12:34:56", 0},
        {"         ", 0},
        {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EntryTimestamp(c.date), c.ts) << c.date;
}

TEST(ConvertToUniDate, DayMonthYear)
{
    const struct {
        const char *in;
        const char *out;
    } cases[] = {
        {DATE, "05-12-26"},
        {"05 Dec 2026", "05-12-26"},
        {"31 May 1999 00:00:00", "31-05-99"},
        // The first month of the table wins, wherever it stands.
        {"05 Dec 2026 Jan", "05-01-26"},
        // The month is only looked for from the fourth character on.
        {"5 Dec 2026 12:34:56", nullptr},
        {"Jan 05 2026", nullptr},
        // Too short to hold the year's digits.
        {"05 Dec 202", nullptr},
        {"05 Dec", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        const char *got = ConvertToUniDate(c.in);
        if (c.out)
            EXPECT_STREQ(got, c.out) << c.in;
        else
            EXPECT_EQ(got, nullptr) << c.in;
    }
}

TEST(HtmlToAscii, FourEntitiesOnePass)
{
    const std::string a98(98, 'a');
    const struct {
        std::string in, out;
    } cases[] = {
        {"Tom &amp; Jerry", "Tom & Jerry"},
        {"&quot;x&quot;", "\"x\""},
        {"&lt;b&gt;", "<b>"},
        {"&amp;lt;", "&lt;"},
        {"&AMP; &Quot;", "&AMP; &Quot;"},
        {"&nbsp;&#38;", "&nbsp;&#38;"},
        {"abc&am", "abc&am"},
        {std::string(120, 'x'), std::string(99, 'x')},
        {a98 + "&amp;b", a98 + "&"},
    };
    for (const auto &c : cases) {
        char buf[200];
        strcpy(buf, c.in.c_str());
        EXPECT_EQ(HtmlToAscii(buf), buf);
        EXPECT_EQ(std::string(buf), c.out) << c.in;
    }
}

TEST_F(ListTest, ChannelHeaderHasBlankDateAndIsNeverBold)
{
    ChannelList other;
    CreateEntry(&other.list, "Header", "l", "", DATE, Kestrel_english);
    auto e = Entries(&other.list);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (Entry {"         ", "Header", "l", 0, false, ""}));
}

TEST_F(ListTest, BoldOnlyForNewerDatedEntriesOfWatchedChannels)
{
    const struct {
        LONG side;
        ULONG seen;
        const char *date;
        bool bold;
    } cases[] = {
        {Kestrel_german, TS, DATE, false},
        {Kestrel_german, TS - 1, DATE, true},
        {Kestrel_english, TS - 1, DATE, true},
        {Kestrel_english, TS + 1, DATE, false},
        {VEdod_german, 0, DATE, false},
        {Kestrel_german, 0, "", false},
        {Kestrel_german, 0, "31 Feb 2026 12:00:00", false},
    };
    for (const auto &c : cases) {
        ChannelList list;
        gb_TS[c.side] = c.seen;
        CreateEntry(&list.list, "Channel", "", "", "", c.side);
        EXPECT_TRUE(CreateEntry(&list.list, "Item", "l", "", c.date, c.side));
        auto e = Entries(&list.list);
        ASSERT_EQ(e.size(), 2u);
        EXPECT_EQ(e[1].bold, c.bold) << "side " << c.side << " seen " << c.seen << " date " << c.date;
        gb_TS[c.side] = 0;
    }
}

TEST_F(ListTest, FieldsAreCutToTheirWidthsBeforeTitleDecoding)
{
    // "&amp;" straddles the 80th character and stays as cut.
    std::string title = std::string(77, 't') + "&amp;rest";
    std::string link(130, 'l');
    std::string page(6100, 'p');
    ASSERT_TRUE(CreateEntry(
        &channel.list, title.c_str(), link.c_str(), page.c_str(), "05 Dec 2026 12:34:56 extra", Kestrel_german));
    auto e = Entries(&channel.list);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1], (Entry {DATE, title.substr(0, 80), link.substr(0, 120), TS, true, page.substr(0, 5999)}));
}

TEST_F(ListTest, NodeFailureFreesTheRecordAndShowsTheRequester)
{
    size_t live = fake::LiveListNodes();
    fake::FailNextListNodeAlloc();
    EXPECT_FALSE(CreateEntry(&channel.list, "Lost", "l", "", DATE, Kestrel_german));
    EXPECT_EQ(fake::LiveListNodes(), live);
    EXPECT_EQ(Entries(&channel.list).size(), 1u);
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    EXPECT_EQ(testplat::Requesters()[0].body, GetString(ERR_NoMemForListentry));
    EXPECT_EQ(testplat::Requesters()[0].button, GetString(TX_Ok));
    // The parser goes on with the next item.
    EXPECT_TRUE(CreateEntry(&channel.list, "Next", "l", "", DATE, Kestrel_german));
    EXPECT_EQ(Entries(&channel.list).size(), 2u);
}

TEST_F(ListTest, FreigebenListFreesNodesAndRecordsAndLeavesAnEmptyList)
{
    const size_t before = fake::LiveListNodes() - 1; // without the header of SetUp
    for (int i = 0; i < 5; i++)
        CreateEntry(&channel.list, "Item", "l", "page", DATE, Kestrel_german);
    EXPECT_EQ(fake::LiveListNodes(), before + 6);
    FreigebenList(&channel.list);
    EXPECT_EQ(fake::LiveListNodes(), before);
    EXPECT_TRUE(exec::IsListEmpty(&channel.list));
    FreigebenList(&channel.list);
    // Refilled, the list starts with a header again.
    CreateEntry(&channel.list, "Again", "l", "", DATE, Kestrel_german);
    EXPECT_EQ(Entries(&channel.list)[0].date, "         ");
}

TEST_F(ListTest, GetMaxTS)
{
    ChannelList empty;
    EXPECT_EQ(GetMaxTS(&empty.list, 42), 42u);
    CreateEntry(&channel.list, "a", "l", "", "06 Dec 2026 12:34:56", Kestrel_german);
    CreateEntry(&channel.list, "b", "l", "", DATE, Kestrel_german);
    CreateEntry(&channel.list, "c", "l", "", "", Kestrel_german);
    EXPECT_EQ(GetMaxTS(&channel.list, 0), TS + 86400);
    EXPECT_EQ(GetMaxTS(&channel.list, 0xfffffff0u), 0xfffffff0u);
    gb_Debug = DEBUG_PARSER;
    testing::internal::CaptureStdout();
    GetMaxTS(&channel.list, 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "        MaxTS > 1544099696\n");
}

TEST_F(ListTest, DebugLines)
{
    gb_Debug = DEBUG_PARSER;
    testing::internal::CaptureStdout();
    CreateEntry(&channel.list, "Tom &amp; Jerry", "l", "", DATE, Kestrel_german);
    std::string out = testing::internal::GetCapturedStdout();
    auto *node = exec::GetSucc(exec::GetHead(&channel.list));
    char expected[200];
    snprintf(expected, sizeof(expected),
        "   CreateEntry <Tom & Jerry> bold TS=1544013296\n   CreateEntry fertig $%lx LBN $%lx\n",
        reinterpret_cast<unsigned long>(node->ln_Name), reinterpret_cast<unsigned long>(node));
    EXPECT_EQ(out, expected);
}

} // namespace
