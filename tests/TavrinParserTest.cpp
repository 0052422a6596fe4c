#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "EntryList.h"
#include "ReferenceParse.h"
#include "TavrinConvert.h"

namespace {

constexpr char FRI[] = "Fri, 05 Dec 2026 12:34:56 +0100";
const std::string CHANNEL = "<rss><channel><title>Kestrel</title><link>http://k/</link><description>News</description>";

std::string Item(
    const std::string &title, const std::string &link, const std::string &date = FRI, const std::string &desc = "")
{
    return "<item><title>" + title + "</title><link>" + link + "</link>"
        + (desc.empty() ? "" : "<description>" + desc + "</description>")
        + (date.empty() ? "" : "<pubDate>" + date + "</pubDate>") + "</item>";
}

struct Parsed {
    std::vector<Entry> entries;
    std::vector<char> buffer;
    std::string console;
};

// Parses a writable copy of `text`, as a receive buffer, just large enough for the text and its NUL.
template<class Parser> Parsed Parse(const std::string &text, LONG side, Parser parse)
{
    std::vector<char> buffer(text.c_str(), text.c_str() + text.size() + 1);
    ChannelList list;
    testing::internal::CaptureStdout();
    parse(&list.list, buffer.data(), side);
    return {Entries(&list.list), buffer, testing::internal::GetCapturedStdout()};
}

class ParserTest : public testing::Test {
protected:
    void SetUp() override
    {
        gb_Debug = 0;
        std::fill(std::begin(gb_TS), std::end(gb_TS), 0);
    }
};

// The quirks that the plain searches below share with the parser, pinned down; the fuzz target's seeds
// (fuzz/corpus) hold the other small feeds: a channel alone, a NUL inside, short and cut dates.
TEST_F(ParserTest, FeedsToEntries)
{
    const Entry header {"         ", "Kestrel", "http://k/", 0, false, Page("Kestrel", "N")};
    const struct {
        std::string text;
        std::vector<Entry> entries;
    } cases[] = {
        // The title is decoded in the list and raw on the page; the description loses three characters.
        {CHANNEL + Item("Tom &amp; Jerry", "L", FRI, "&lt;p&gt;Hi&lt;/p&gt;xyz"),
            {header, {DATE, "Tom & Jerry", "L", TS, true, Page("Tom &amp; Jerry", "<p>Hi</p>")}}},
        {CHANNEL + Item("A", "L", FRI, "abc"), {header, {DATE, "A", "L", TS, true, ""}}},
        // An item without a description takes a later one.
        {CHANNEL + Item("A", "L") + Item("B", "M", FRI, "late!"),
            {header, {DATE, "A", "L", TS, true, Page("A", "la")}, {DATE, "B", "M", TS, true, Page("B", "la")}}},
        // An item without a date takes the next one's, and that item is skipped.
        {CHANNEL + Item("A", "L", "") + Item("B", "M") + Item("C", "N"),
            {header, {DATE, "A", "L", TS, true, ""}, {DATE, "C", "N", TS, true, ""}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parse(c.text, Kestrel_german, ParseNewsfile).entries, c.entries) << c.text;
}

// The scanner remembers what earlier searches passed; it must find what plain searches find, also in
// damaged copies of real feeds: stretches cut, doubled and moved, stray tags and NULs put in.
TEST_F(ParserTest, SameAsPlainSearches)
{
    static const std::string pieces[] = {"<title>", "</title>", "<link>", "</link>", "<description>", "</description>",
        "<pubDate>", "</pubDate>", "<pubDate>Fri, 0", "&amp;", "&lt;", "&nbsp;", {"\0", 1}};
    const std::string feeds[] = {TestData("kestrel-de.rss"), TestData("vedod.rss")};
    std::minstd_rand rng(1);
    for (int n = 0; n < 600; n++) {
        std::string text = feeds[n % 2];
        for (auto k = n < 6 ? 0 : 1 + rng() % 6; k > 0 && !text.empty(); k--) {
            const size_t at = rng() % text.size(), cuts[] = {0, rng() % 200, std::string::npos};
            const std::string puts[] = {"", text.substr(rng() % text.size(), rng() % 200), pieces[rng() % 13]};
            text.replace(at, cuts[rng() % 3], puts[rng() % 3]);
        }
        const Parsed ours = Parse(text, n % 3, ParseNewsfile), plain = Parse(text, n % 3, ReferenceParse);
        ASSERT_EQ(ours.entries, plain.entries) << "case " << n;
        ASSERT_EQ(ours.buffer, plain.buffer) << "case " << n;
        ASSERT_EQ(ours.console, plain.console) << "case " << n;
    }
}

} // namespace
