#include "TavrinFeed.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "EntryList.h"
#include "TavrinConvert.h"
#include "TavrinFeedParts.h"

// The feed reader on feeds of each shape (tests/data/feeds/) and on small feeds written here for one
// behaviour each, the faulty beside the sound. Dates are shown in Central European time.

namespace {

constexpr char URL[] = "https://feeds.example/dir/feed.xml";
const std::string BLANKS = "         ";

// An entry as the reader should make it; `body` is its page's body (none: no page).
struct Want {
    std::string date, title, link, body;
};

std::string FeedPage(const std::string &heading, const std::string &body)
{
    return "<html>\n<head><meta charset=\"utf-8\"></head>\n<body>\n<h3>" + heading + "</h3>\n" + body
        + "</body>\n</html>\n";
}

std::string Escape(const std::string &text)
{
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

std::vector<Entry> Expected(const std::vector<Want> &wants)
{
    std::vector<Entry> out;
    for (const Want &w : wants) {
        const ULONG ts = w.date[0] >= '0' && w.date[0] <= '9' ? EntryTimestamp(w.date.c_str()) : 0;
        out.push_back({w.date, w.title, w.link, ts, ts > 0, w.body.empty() ? "" : FeedPage(Escape(w.title), w.body)});
    }
    return out;
}

struct Read {
    std::vector<Entry> entries;
    std::string console;
};

// Reads `text` from a buffer just large enough for it and its NUL, so that reading past it shows
// under the sanitizer, and checks that it was left as it was.
Read ReadFeed(const std::string &text, const char *url = URL)
{
    const std::vector<char> original(text.c_str(), text.c_str() + text.size() + 1);
    std::vector<char> buffer = original;
    ChannelList list;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ParseFeedfile(&list.list, buffer.data(), ULONG(text.size()), url, Kestrel_german), TRUE);
    Read read {Entries(&list.list), testing::internal::GetCapturedStdout()};
    EXPECT_EQ(buffer, original) << "the feed text was changed";
    return read;
}

std::string Rss(const std::string &item, const std::string &channel = "<title>C</title>")
{
    return "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:a=\"http://www.w3.org/2005/Atom\" "
           "xmlns:content=\"http://purl.org/rss/1.0/modules/content/\"><channel>"
        + channel + "<item>" + item + "</item></channel></rss>";
}

std::string Atom(const std::string &entry)
{
    return "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>C</title><entry>" + entry + "</entry></feed>";
}

// The one item of a feed of Rss() or Atom().
Entry Item(const std::string &feed)
{
    const Read read = ReadFeed(feed);
    EXPECT_EQ(read.entries.size(), 2u) << feed;
    return read.entries.size() == 2 ? read.entries[1] : Entry {};
}

// Every test of this program reads dates in Central European time.
class FeedTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void SetUp() override
    {
        gb_Debug = DEBUG_PARSER;
        std::fill(std::begin(gb_TS), std::end(gb_TS), 0);
    }
};

TEST_F(FeedTest, FeedsOfEachShape)
{
    const struct {
        const char *file;
        std::vector<Want> entries;
        const char *console = "";
    } cases[] = {
        // Relative links resolve against the feed's address; the channel's image and an Atom entry's
        // source do not lend their titles; content:encoded is preferred to the description. A plain
        // title holding "&amp;" as text keeps it: CreateEntry must not decode it a second time.
        {"rss20.xml",
            {{BLANKS, "Kestrel & Friends", "https://kestrel.example/", "Neues aus der Welt"},
                {"05 Dec 2026 12:34:56", "Grüße &amp; mehr", "https://feeds.example/2026/12/gruesse/",
                    "<p>Gr&uuml;&szlig;e, <b>lang</b></p>"},
                {"05 Dec 2026 00:00:00", "Zweite Meldung", "https://kestrel.example/?p=1",
                    "<i>Nur</i> eine Beschreibung"}}},
        // ISO-8859-1 with the entities of the DTD that is never read.
        {"rss091.xml",
            {{BLANKS, "Alte Welt", "http://alt.example/", "Nachrichten"},
                {"", "Café in Köln & …", "http://alt.example/1", "Vorher\u00a0—&unbekannt;"}}},
        {"rss10.xml",
            {{BLANKS, "RDF Kanal", "http://rdf.example/", "Eins null"},
                {"05 Dec 2026 12:34:56", "Erste", "https://feeds.example/dir/a", ""},
                {"01 Jul 2026 12:00:00", "Zweite", "http://rdf.example/b", "Sommer <b>Zeit</b>"}}},
        // The feed's title comes after its entries; xml:base on the feed, an entry and a link.
        {"atom.xml",
            {{BLANKS, "Atom &amp; Co", "https://atom.example/", "<i>Unter</i>titel"},
                {"05 Dec 2026 12:34:56", "Tom & Jerry", "https://atom.example/blog/posts/1", "a &lt; b &amp; c"},
                {"04 Dec 2026 23:00:00", "Nur XHTML Titel", "https://cdn.example/x/y",
                    "<div><p class=\"a&amp;b\">Hi <b>there</b><br></p></div>"}}},
        {"windows-1252.xml", {{BLANKS, "W€“x”", "", ""}, {"", "Preis: 5 € – billig…", "http://w.example/1", ""}}},
        {"iso-8859-15.xml", {{BLANKS, "Latin-9", "", ""}, {"", "€ und œ und ä", "http://l.example/1", ""}}},
        // What was read before the fault stays; the item in which it lies does not.
        {"malformed.xml",
            {{BLANKS, "Kaputt", "", ""}, {"", "Eins", "http://k.example/1", ""},
                {"", "Zwei", "http://k.example/2", ""}},
            "feed error in line 6: mismatched tag\n"},
    };
    for (const auto &c : cases) {
        const Read read = ReadFeed(TestData(std::string("feeds/") + c.file));
        EXPECT_EQ(read.entries, Expected(c.entries)) << c.file;
        EXPECT_NE(read.console.find(c.console), std::string::npos) << c.file << "\n" << read.console;
    }
    // The date text gives the timestamp of that local time.
    EXPECT_EQ(ReadFeed(TestData("feeds/rss20.xml")).entries.at(1).timestamp, TS);
}

TEST_F(FeedTest, Dates)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<pubDate>Fri, 05 Dec 2026 12:34:56 +0100</pubDate>", DATE},
        {"<pubDate>Fri, 05 Dec 2026 06:34:56 EST</pubDate>", DATE},
        {"<pubDate>Fri, 05 Dec 2026 07:34:56 EDT</pubDate>", DATE},
        {"<pubDate>5 Dec 26 3:34 PST</pubDate>", "05 Dec 2026 12:34:00"},
        {"<pubDate>2026-12-05T11:34:56Z</pubDate>", DATE},
        {"<a:updated>2026-12-05</a:updated>", "05 Dec 2026 01:00:00"},
        {"<pubDate>gestern</pubDate><dc:date>2026-12-05T11:34:56Z</dc:date>", DATE},
        {"<pubDate>Fri, 31 Feb 2026 12:00:00 GMT</pubDate>", ""}, {"<pubDate>Dec 05 2026 12:34:56</pubDate>", ""},
        {"<dc:date>2026-12-05T25:00:00Z</dc:date>", ""},
        // Outside the years a timestamp counts: 1970 would be read as 2070 and stay new for ever.
        {"<pubDate>Thu, 01 Jan 1970 00:00:00 GMT</pubDate>", ""},
        {"<pubDate>Sat, 01 Jan 2078 00:00:00 GMT</pubDate>", ""},
        {"<pubDate>Fri, 31 Dec 2077 12:00:00 GMT</pubDate>", "31 Dec 2077 13:00:00"},
        {"<pubDate>Thu, 1 Jan 69 12:00 GMT</pubDate>", ""}, // 1969
        {"<pubDate>Wed, 31 Dec 2025 23:59:60 GMT</pubDate>", "01 Jan 2026 00:59:59"}, // a leap second
    };
    for (const auto &[fields, date] : cases)
        EXPECT_EQ(Item(Rss("<title>T</title>" + fields)).date, date) << fields;
}

TEST_F(FeedTest, Titles)
{
    const std::string ae = "\u00e4";
    std::string ae100, ae40, ae39;
    for (int i = 0; i < 100; i++)
        ae100 += ae, ae40 += i < 40 ? ae : "", ae39 += i < 39 ? ae : "";
    // The plain titles of RSS are read in the feeds of each shape; here those of Atom.
    const std::pair<std::string, std::string> cases[] = {
        {Atom("<title type=\"html\">Tom &amp;amp; &lt;i&gt;Jerry&lt;/i&gt; &amp;ndash; &amp;#146;s&amp;nbsp;</title>"),
            "Tom & Jerry – ’s\u00a0"},
        {Atom("<title type=\"html\">Zeile&lt;br&gt;Zeile &lt;b&gt;Tom&lt;/b&gt;&amp;#39;s &amp;bogus; &lt;!-- x "
              "--&gt;</title>"),
            "Zeile Zeile Tom's &bogus;"},
        {Atom("<title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">A &amp;amp; <b>B</b></div></title>"),
            "A &amp; B"},
        {Atom("<title>a &lt;b&gt;</title>"), "a <b>"},
        // Cut to 80 bytes, never inside a character.
        {Rss("<title>" + ae100 + "</title>"), ae40},
        {Rss("<title>x" + ae100 + "</title>"), "x" + ae39},
        // Without a title an item shows the start of its text; without either, nothing (the feed's address
        // is the header's alone).
        {Rss("<description>&lt;p&gt;Erste &amp;amp; Worte&lt;/p&gt;</description>"), "Erste & Worte"},
        {Rss("<link>http://x.example/</link>"), ""},
    };
    for (const auto &[feed, title] : cases)
        EXPECT_EQ(Item(feed).title, title) << feed;
}

TEST_F(FeedTest, Links)
{
    // One byte more than the entry holds.
    const std::string long121 = "https://long.example/" + std::string(100, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {Rss("<link>../up/./x/../y?q=1#f</link>"), "https://feeds.example/up/y?q=1#f"},
        {Rss("<link>  \n http://x.example/a b/\u00e4 </link>"), "http://x.example/a%20b/%C3%A4"},
        {Rss("<link>HTTP://X.example</link>"), "http://X.example/"},
        {Rss("<link>javascript:alert(1)</link>"), ""},
        {Rss("<link>file:///etc/passwd</link><guid>https://g.example/1</guid>"), "https://g.example/1"},
        {Rss("<guid isPermaLink=\"false\">https://g.example/1</guid>"), ""},
        {Rss("<guid>12345</guid>"), ""},
        // A link that the entry would cut gives way to one that it holds whole.
        {Rss("<link>" + long121 + "</link><guid>https://g.example/1</guid>"), "https://g.example/1"},
        {Rss("<link>" + long121 + "</link>"), long121.substr(0, 120)},
        {Atom("<link xml:base=\"https://b.example/d/\" href=\"e\"/>"), "https://b.example/d/e"},
        // Each blank takes three bytes: the address does not fit, and no part of it is taken.
        {Atom("<link href=\"http://a/" + std::string(400, ' ') + "x\"/>"), ""},
    };
    for (const auto &[feed, link] : cases)
        EXPECT_EQ(Item(feed).link, link) << feed;
    // Without the feed's address a relative link leads nowhere.
    const Read read = ReadFeed(Rss("<title>T</title><link>/a</link>"), nullptr);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[1].link, "");
}

// The examples of RFC 3986, 5.4, one for each way a dot segment goes, and then other bases; "": refused.
TEST_F(FeedTest, ResolveUrl)
{
    const std::string x(URL_SIZE - 13, 'x');
    const struct {
        std::string ref, target;
        const char *base = "http://a/b/c/d;p?q";
    } cases[] = {
        {"g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g/"},
        {"?y", "http://a/b/c/d;p?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"g/../h", "http://a/b/c/h"},
        {"https://other/x/../y", "https://other/y"},
        {"ftp://f/x", ""},
        {"http:///nohost", ""},
        // A base without a path; line breaks and tabs inside; the longest address that fits, and one
        // character more (a blank takes three).
        {"b", "http://a/b", "http://a"},
        {"http://a/\tb\nc\r", "http://a/bc", nullptr},
        {"http://a/ " + x, "http://a/%20" + x, nullptr},
        {"http://a/ " + x + "x", "", nullptr},
    };
    for (const auto &c : cases) {
        char out[URL_SIZE];
        EXPECT_EQ(ResolveUrl(c.base, c.ref.c_str(), out), !c.target.empty()) << c.ref;
        EXPECT_EQ(out, c.target) << c.ref;
    }
}

TEST_F(FeedTest, Pages)
{
    // What a page holds beside its body.
    const size_t room = MELDUNG_SIZE - 1 - FeedPage("T", "").size();
    const std::string long7000(7000, 'z');
    std::string ae3000;
    for (int i = 0; i < 3000; i++)
        ae3000 += "\u00e4";
    const std::string zs(room - 5, 'z');
    const std::pair<std::string, std::string> cases[] = {
        {Rss("<title>T</title><content:encoded> </content:encoded><description>D</description>"), "D"},
        {Rss("<title>T</title><description><p>Roh</p></description>"), "<p>Roh</p>"},
        {Atom("<title>T</title><content src=\"x.html\"/><summary>S</summary>"), "S"},
        {Atom("<title>T</title><content type=\"image/png\">iVBOR</content><summary>S</summary>"), "S"},
        {Atom("<title>T</title><content type=\"text/plain\">1 &lt; 2</content>"), "1 &lt; 2"},
        {Atom("<title>T</title>"), ""},
        // A long text is cut to the page, at a character, outside a tag.
        {Rss("<title>T</title><description>" + long7000 + "</description>"), long7000.substr(0, room)},
        {Rss("<title>T</title><description>" + ae3000 + "</description>"), ae3000.substr(0, room - room % 2)},
        {Rss("<title>T</title><description>" + zs + "&lt;a href='x'&gt;mehr</description>"), zs},
    };
    for (const auto &[feed, body] : cases) {
        const std::string page = Item(feed).meldung;
        EXPECT_EQ(page, body.empty() ? "" : FeedPage("T", body)) << feed.substr(0, 200);
        EXPECT_LT(page.size(), MELDUNG_SIZE);
    }
    // The heading shows the title as text.
    EXPECT_EQ(Item(Rss("<title>A &lt;&amp;&gt; B</title><description>x</description>")).meldung,
        FeedPage("A &lt;&amp;&gt; B", "x"));
}

// A text longer than its field, arriving in pieces, is cut there and spills into no other field.
TEST_F(FeedTest, LongTextStaysInItsField)
{
    const std::string a(1100, 'a'), b(1100, 'b');
    const Entry item = Item(Rss("<description>D</description><title>" + a + "&amp;" + b + "</title>"));
    EXPECT_EQ(item.title, a.substr(0, 80));
    EXPECT_EQ(item.meldung, FeedPage(a.substr(0, 200), "D"));
}

// Small feeds read whole: what is no feed or a damaged one, what would reach outside the feed, and the
// header's title and link.
TEST_F(FeedTest, WholeFeeds)
{
    testplat::TempDir dir;
    testplat::WriteFile(dir.file("secret"), "GEHEIM");
    testplat::WriteFile(dir.file("outside.dtd"), "<!ENTITY geheim \"GEHEIM\">");
    const std::string declaration = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss ";
    std::string bomb = declaration + "[<!ENTITY a0 \"lol\">";
    for (int i = 1; i <= 9; i++) {
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; k++)
            bomb += "&a" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    const std::vector<Want> channel = {{BLANKS, "C", "", ""}};
    const struct {
        std::string text;
        std::vector<Want> entries;
        const char *console = "";
    } cases[] = {
        {"<html><body><p>Keine Nachrichten</p></body></html>", {}, "feed holds no channel and no item\n"},
        {"", {}, "feed error in line 1: no element found\n"},
        {"<rss><channel><title>Nur Kanal</title><item><title>A</ti", {{BLANKS, "Nur Kanal", "", ""}},
            "feed error in line 1: unclosed token\n"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rss/>", {}, "encoding"},
        {"<?xml version=\"1.0\" encoding=\"x-unbekannt\"?><rss/>", {}, "encoding"},
        // An undeclared prefix is a fault of the feed like any other.
        {Rss("<title>A</title></item><item><x:y/>"), {channel[0], {"", "A", "", ""}},
            "feed error in line 1: unbound prefix\n"},
        // The header shows the channel's own title and link, not those of its image before them; without a
        // title, the feed's address, never the start of the channel's text.
        {Rss("<title>T</title>",
             "<image><title>Bild</title><link>http://i.example/</link></image><title>C</title><link>http://c.example/</"
             "link>"),
            {{BLANKS, "C", "http://c.example/", ""}, {"", "T", "", ""}}},
        {Rss("<title>T</title>", "<description>Kanaltext</description>"),
            {{BLANKS, URL, "", "Kanaltext"}, {"", "T", "", ""}}},
        // Nothing is loaded from outside the feed, and entities cannot grow without bound.
        {declaration + "[<!ENTITY x SYSTEM \"file://" + dir.file("secret") + "\">]>" + Rss("<title>a&x;b</title>"),
            {channel[0], {"", "ab", "", ""}}},
        {declaration + "SYSTEM \"file://" + dir.file("outside.dtd") + "\">" + Rss("<title>&geheim;</title>"),
            {channel[0], {"", "&geheim;", "", ""}}},
        {declaration + "[<!ENTITY % p SYSTEM \"file://" + dir.file("outside.dtd") + "\"> %p;]>"
                + Rss("<title>&geheim;</title>"),
            {channel[0], {"", "&geheim;", "", ""}}},
        {bomb + "]>" + Rss("<title>&a9;</title>"), channel, "amplification"},
    };
    for (const auto &c : cases) {
        const Read read = ReadFeed(c.text);
        EXPECT_EQ(read.entries, Expected(c.entries)) << c.text;
        EXPECT_NE(read.console.find(c.console), std::string::npos) << c.text << "\n" << read.console;
    }
}

// Text with NULs in it: the reader takes the length it is given, not the text up to its first NUL.
TEST_F(FeedTest, Utf16)
{
    std::string utf16 = "\xff\xfe";
    for (char c : "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + Rss("<title>\xc4</title>"))
        utf16 += {c, '\0'};
    EXPECT_EQ(Item(utf16).title, "\u00c4");
}

} // namespace
