#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "EntryList.h"
#include "ReferenceParse.h"
#include "TavrinPipeline.h"

namespace {

constexpr char HEAD[] = "         ";
constexpr char CHANNEL[] = "<rss><channel><title>Kestrel</title><link>http://k/</link>"
                           "<description>News</description>";

std::string Item(
    const std::string &title, const std::string &link, const std::string &date, const std::string &desc = "")
{
    std::string s = "<item><title>" + title + "</title><link>" + link + "</link>";
    if (!desc.empty())
        s += "<description>" + desc + "</description>";
    if (!date.empty())
        s += "<pubDate>" + date + "</pubDate>";
    return s + "</item>";
}

std::string Page(const std::string &title, const std::string &body)
{
    return "<html>\n<body>\n<h3>" + title + "</h3>\n" + body + "</body>\n</html>\n";
}

// The parser works on its own writable copy, as on a receive buffer.
std::vector<Entry> Parse(const std::string &text, LONG side, ChannelList &list)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    ParseNewsfile(&list.list, buffer.data(), side);
    return Entries(&list.list);
}

const Entry header {HEAD, "Kestrel", "http://k/", 0, false, Page("Kestrel", "N")};

struct FeedCase {
    const char *name;
    std::string text;
    LONG side;
    std::vector<Entry> entries;
};

class ParserTest : public testing::Test {
protected:
    void SetUp() override
    {
        gb_Debug = 0;
        for (ULONG &ts : gb_TS)
            ts = 0;
    }
};

TEST_F(ParserTest, FeedsToEntries)
{
    const std::string fri = "Fri, 05 Dec 2026 12:34:56 +0100";
    const std::string channel = CHANNEL;
    const FeedCase cases[] = {
        {"no title", "<rss><channel><link>x</link></channel></rss>", Kestrel_german, {}},
        {"channel only", channel + "</channel></rss>", Kestrel_german, {header}},
        {"one item", channel + Item("A", "L", fri, "&lt;p&gt;Hello&lt;/p&gt;xyz"), Kestrel_german,
            {header, {"05 Dec 2026 12:34:56", "A", "L", 1544013296, true, Page("A", "<p>Hello</p>")}}},
        {"one-digit day has no month from the fourth character",
            channel + Item("A", "L", "Fri, 5 Dec 2026 12:34:56 +0100"), Kestrel_english,
            {header, {"5 Dec 2026 12:34:56", "A", "L", 0, false, ""}}},
        {"three-letter zone cuts into the seconds", channel + Item("A", "L", "Fri, 05 Dec 2026 12:34:56 GMT"),
            Kestrel_german, {header, {"05 Dec 2026 12:34:", "A", "L", 0, false, ""}}},
        {"title entities decoded, raw title on the page",
            channel + Item("Tom &amp; Jerry &AMP; &quot;x&quot;", "L", fri, "abcd"), Kestrel_german,
            {header,
                {"05 Dec 2026 12:34:56", "Tom & Jerry &AMP; \"x\"", "L", 1544013296, true,
                    Page("Tom &amp; Jerry &AMP; &quot;x&quot;", "a")}}},
        {"description shorter than four characters makes no page", channel + Item("A", "L", fri, "abc"), Kestrel_german,
            {header, {"05 Dec 2026 12:34:56", "A", "L", 1544013296, true, ""}}},
        {"item without a description takes a later one", channel + Item("A", "L", fri) + Item("B", "M", fri, "late!"),
            Kestrel_german,
            {header, {"05 Dec 2026 12:34:56", "A", "L", 1544013296, true, Page("A", "la")},
                {"05 Dec 2026 12:34:56", "B", "M", 1544013296, true, Page("B", "la")}}},
        {"item without a date takes the next one and that item is skipped",
            channel + Item("A", "L", "") + Item("B", "M", fri) + Item("C", "N", fri), Kestrel_german,
            {header, {"05 Dec 2026 12:34:56", "A", "L", 1544013296, true, ""},
                {"05 Dec 2026 12:34:56", "C", "N", 1544013296, true, ""}}},
        {"third channel takes no dates", channel + Item("A", "L", fri) + Item("B", "M", ""), VEdod_german,
            {header, {"", "A", "L", 0, false, ""}, {"", "B", "M", 0, false, ""}}},
        {"any title starts an entry",
            channel + "<image><title>Logo</title><link>img</link></image>" + Item("A", "L", fri), Kestrel_german,
            {header, {"05 Dec 2026 12:34:56", "Logo", "img", 1544013296, true, ""}}},
        {"missing closing link ends the parse", channel + "<item><title>A</title><link>L" + "<pubDate>" + fri,
            Kestrel_german, {header}},
        {"tags with attributes or capitals are not tags",
            channel + "<item><title lang=\"de\">A</title><TITLE>B</TITLE><title>C</title><link>L</link><pubDate>" + fri
                + "</pubDate>",
            Kestrel_german, {header, {"05 Dec 2026 12:34:56", "C", "L", 1544013296, true, ""}}},
        {"the text ends at its first NUL", channel + Item("A", "L", fri) + std::string(1, '\0') + Item("B", "M", fri),
            Kestrel_german, {header, {"05 Dec 2026 12:34:56", "A", "L", 1544013296, true, ""}}},
        {"date shorter than its zone is empty", channel + Item("A", "L", "Fri, 05"), Kestrel_german,
            {header, {"", "A", "L", 0, false, ""}}},
        {"pubDate at the very end of the text", channel + "<title>A</title><link>L</link><pubDate>Fr", Kestrel_german,
            {header}},
        {"pubDate weekday cut by the end", channel + "<title>A</title><link>L</link><pubDate>Fri, ", Kestrel_german,
            {header}},
        {"bytes stay as received",
            channel
                + Item("Gr\xfc\xdf"
                       "e",
                    "L", fri),
            Kestrel_german,
            {header,
                {"05 Dec 2026 12:34:56",
                    "Gr\xfc\xdf"
                    "e",
                    "L", 1544013296, true, ""}}},
    };
    for (const auto &c : cases) {
        ChannelList list;
        EXPECT_EQ(Parse(c.text, c.side, list), c.entries) << c.name;
    }
}

TEST_F(ParserTest, SeenEntriesAreNormal)
{
    gb_TS[Kestrel_german] = 1544013296;
    ChannelList list;
    auto e = Parse(std::string(CHANNEL) + Item("Old", "L", "Fri, 05 Dec 2026 12:34:56 +0100")
            + Item("New", "L", "Fri, 05 Dec 2026 12:34:57 +0100"),
        Kestrel_german, list);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_FALSE(e[1].bold);
    EXPECT_TRUE(e[2].bold);
}

TEST_F(ParserTest, CutsFieldsInPlace)
{
    std::string text = std::string(CHANNEL) + Item("A", "L", "Fri, 05 Dec 2026 12:34:56 +0100");
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    ChannelList list;
    ParseNewsfile(&list.list, buffer.data(), Kestrel_german);
    std::string after(buffer.begin(), buffer.end() - 1);
    std::string expected = text;
    for (const char *cut : {"</title><link>http", "</link><desc", "</title><link>L", "</link><pub", " +0100"})
        expected[expected.find(cut)] = '\0';
    EXPECT_EQ(after, expected);
}

std::string ReadFile(const std::string &name)
{
    const char *dir = getenv("TAVRIN_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : "tests/data") + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string CreateEntryLines(const std::string &out)
{
    std::string lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("   CreateEntry <", 0) == 0)
            lines += line + "\n";
    }
    return lines;
}

// Debug lines of a feed with the faults a real one has, against lines worked out by hand.
TEST_F(ParserTest, DebugLinesOfARealisticFeed)
{
    const struct {
        const char *feed;
        LONG side;
        const char *lines;
    } cases[] = {
        {"kestrel-de.rss", Kestrel_german, "kestrel-de.lines"},
        {"vedod.rss", VEdod_german, "vedod.lines"},
    };
    for (const auto &c : cases) {
        std::string feed = ReadFile(c.feed);
        ASSERT_FALSE(feed.empty()) << c.feed;
        gb_TS[Kestrel_german] = 1544000000;
        gb_Debug = DEBUG_PARSER;
        ChannelList list;
        testing::internal::CaptureStdout();
        Parse(feed, c.side, list);
        std::string out = testing::internal::GetCapturedStdout();
        gb_Debug = 0;
        EXPECT_EQ(CreateEntryLines(out), ReadFile(c.lines)) << c.feed;
        EXPECT_EQ(out.rfind("parsing from $", 0), 0u);
    }
}

// Damaged copies of a real feed: cut, doubled and moved stretches, stray tags and NULs.
std::string Mutate(const std::string &feed, uint32_t &seed)
{
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % n;
    };
    static const char *const pieces[] = {"<title>", "</title>", "<link>", "</link>", "<description>", "</description>",
        "<pubDate>", "</pubDate>", "<pubDate>Fri, 0", "&amp;", "&lt;", "&nbsp;"};
    std::string s = feed;
    for (uint32_t k = 1 + next(6); k > 0 && !s.empty(); k--) {
        size_t at = next(uint32_t(s.size()));
        size_t len = next(200);
        switch (next(5)) {
        case 0:
            s.erase(at, len);
            break;
        case 1:
            s.insert(at, s.substr(next(uint32_t(s.size())), len));
            break;
        case 2:
            s.insert(at, pieces[next(12)]);
            break;
        case 3:
            s.insert(at, 1, '\0');
            break;
        default:
            s.resize(at);
            break;
        }
    }
    return s;
}

// The scanner remembers what earlier searches passed; it must find what plain searches find.
TEST_F(ParserTest, SameEntriesAsPlainSearches)
{
    const std::string feeds[] = {ReadFile("kestrel-de.rss"), ReadFile("vedod.rss")};
    uint32_t seed = 1;
    for (int n = 0; n < 600; n++) {
        const std::string text = n < 6 ? feeds[n % 2] : Mutate(feeds[n % 2], seed);
        LONG side = n % 3;
        ChannelList ours, reference;
        std::vector<char> a(text.begin(), text.end()), b(text.begin(), text.end());
        a.push_back('\0');
        b.push_back('\0');
        testing::internal::CaptureStdout();
        ParseNewsfile(&ours.list, a.data(), side);
        std::string oursOut = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        ReferenceParse(&reference.list, b.data(), side);
        std::string referenceOut = testing::internal::GetCapturedStdout();
        ASSERT_EQ(Entries(&ours.list), Entries(&reference.list)) << "case " << n;
        ASSERT_EQ(a, b) << "case " << n;
        ASSERT_EQ(oursOut, referenceOut) << "case " << n;
    }
}

} // namespace
