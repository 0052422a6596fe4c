#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "ReferenceParse.h"
#include "TavrinPipeline.h"

namespace {

std::string Golden(const std::string &name)
{
    const char *dir = getenv("TAVRIN_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : "tests/data") + "/pages/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Builds the page of a description that lies in a longer NUL-terminated text, as in a feed.
std::string Build(const std::string &title, const std::string &text, ULONG buflen, std::string *console = nullptr)
{
    testing::internal::CaptureStdout();
    EXPECT_TRUE(PrepareDescription(text.c_str(), buflen, title.c_str()));
    std::string out = testing::internal::GetCapturedStdout();
    if (console)
        *console = out;
    else
        EXPECT_EQ(out, "");
    return gb_Meldung;
}

TEST(PrepareDescription, GoldenPages)
{
    const struct {
        const char *golden;
        std::string title, text;
        ULONG dropped; // characters of the text behind the span
    } cases[] = {
        {"hello.html", "T", "Hello", 0},
        {"entities.html", "Tom &amp; Jerry", "&LT;b&GT;News&lt;/B&gt; &Amp; &QUOT;q&quot;", 0},
        {"markup.html", "Nachricht",
            "&lt;p&gt;Gr\xfc\xdf"
            "e &lt;a href=&quot;http://k/?a=1&amp;amp;b=2&quot;&gt;hier&lt;/a&gt;&lt;/p&gt;xyz",
            3},
        // A title of 80 characters fills the header to 99 characters, inside the closing tag.
        {"longtitle.html", std::string(80, 'T'), "body", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Build(c.title, c.text, ULONG(c.text.size() - c.dropped)), Golden(c.golden)) << c.golden;
}

TEST(PrepareDescription, UnknownEntitiesStayAndAreReported)
{
    const struct {
        std::string text;
        std::string body, console;
    } cases[] = {
        {"a&nbsp;b", "a&nbsp;b", "Nicht unterstütztes Sonderzeichen: &nbsp;\n"},
        {"&#38;&euro;", "&#38;&euro;",
            "Nicht unterstütztes Sonderzeichen: &#38;&\nNicht unterstütztes Sonderzeichen: &euro;\n"},
        // The text ends right behind the "&": nothing past it is read.
        {"x&", "x&", "Nicht unterstütztes Sonderzeichen: &\n"},
    };
    for (const auto &c : cases) {
        std::string console;
        std::string page = Build("T", c.text, ULONG(c.text.size()), &console);
        EXPECT_EQ(page, "<html>\n<body>\n<h3>T</h3>\n" + c.body + "</body>\n</html>\n") << c.text;
        EXPECT_EQ(console, c.console) << c.text;
    }
}

TEST(PrepareDescription, EntityIsReadAcrossTheEndOfTheSpan)
{
    // The parser drops the description's last three characters; an entity begun before them is whole.
    EXPECT_EQ(Build("T", "Tom &amp;</description>", 7), "<html>\n<body>\n<h3>T</h3>\nTom &</body>\n</html>\n");
}

TEST(PrepareDescription, ReadsAtMost5950Characters)
{
    std::string text = std::string(5950, 'a') + std::string(50, 'b');
    std::string page = Build("T", text, ULONG(text.size()));
    EXPECT_EQ(page, "<html>\n<body>\n<h3>T</h3>\n" + std::string(5950, 'a') + "</body>\n</html>\n");
}

TEST(PrepareDescription, PageThatWouldNotFitKeepsItsClosingLines)
{
    const struct {
        std::string title;
        std::string text;
        std::string header;
    } cases[] = {
        {std::string(80, 'T'), std::string(6000, 'a'), "<html>\n<body>\n<h3>" + std::string(80, 'T') + "<"},
        {std::string(300, 'T'), std::string(5950, '&'), "<html>\n<body>\n<h3>" + std::string(81, 'T')},
        {std::string(80, 'T'), std::string(2000, 'a') + std::string(4000, '&') + "amp;",
            "<html>\n<body>\n<h3>" + std::string(80, 'T') + "<"},
    };
    for (const auto &c : cases) {
        // Poison the buffer so that a missing NUL shows.
        memset(gb_Meldung, 'X', sizeof(gb_Meldung));
        std::string console;
        std::string page = Build(c.title, c.text, ULONG(c.text.size()), &console);
        EXPECT_EQ(page.size(), MELDUNG_SIZE - 1);
        EXPECT_EQ(page.substr(0, 99), c.header);
        EXPECT_EQ(page.substr(page.size() - 16), "</body>\n</html>\n");
    }
}

// Descriptions dense with entities of every case, unknown ones, and entities across the end of the
// span, as long as a page can take: the page must be the one built character by character.
TEST(PrepareDescription, SameAsCharacterByCharacter)
{
    static const char *const pieces[] = {"&lt;", "&GT;", "&Amp;", "&quot;", "&nbsp;", "&", "&l", "&am", "a", "x", ";",
        "\xfc", " ", "lorem ipsum dolor ", "&lt;p&gt;", "&amp;amp;"};
    uint32_t seed = 7;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % n;
    };
    static char expected[MELDUNG_SIZE];
    for (int n = 0; n < 300; n++) {
        std::string text;
        size_t length = n % 3 == 0 ? next(400) : next(6200);
        while (text.size() < length)
            text += pieces[next(16)];
        ULONG buflen = ULONG(text.size() - std::min<size_t>(text.size(), next(8)));
        std::string title(next(120), 'T');
        std::string console, expectedConsole;
        std::string page = Build(title, text, buflen, &console);
        testing::internal::CaptureStdout();
        ReferencePage(expected, text.c_str(), buflen, title.c_str());
        expectedConsole = testing::internal::GetCapturedStdout();
        ASSERT_EQ(page, expected) << "case " << n;
        ASSERT_EQ(console, expectedConsole) << "case " << n;
    }
}

} // namespace
