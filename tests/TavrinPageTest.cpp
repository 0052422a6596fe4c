#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "EntryList.h"
#include "ReferenceParse.h"
#include "TavrinConvert.h"

namespace {

// The page of the first `buflen` characters of `text`, which ends in a NUL as a feed does; the buffer is
// just as large, so that reading past the NUL shows under the sanitizer.
std::string Build(const std::string &title, const std::string &text, ULONG buflen, std::string &console)
{
    std::vector<char> buffer(text.c_str(), text.c_str() + text.size() + 1);
    memset(gb_Meldung, 'X', sizeof(gb_Meldung)); // so that a missing NUL shows
    testing::internal::CaptureStdout();
    PrepareDescription(buffer.data(), buflen, title.c_str());
    console = testing::internal::GetCapturedStdout();
    return std::string(gb_Meldung, strnlen(gb_Meldung, sizeof(gb_Meldung)));
}

// Pages as they must look; the comparison below checks the rest against the same page built character by
// character: long titles, long texts, unknown entities, entities across the end of the span.
TEST(PrepareDescription, Pages)
{
    const struct {
        std::string title, text, page;
        ULONG dropped = 0; // characters of the text behind the span
    } cases[] = {
        {"T", "Hello", TestData("pages/hello.html")},
        {"Tom &amp; Jerry", "&LT;b&GT;News&lt;/B&gt; &Amp; &QUOT;q&quot;", TestData("pages/entities.html")},
        {"Nachricht",
            "&lt;p&gt;Gr\374\337e &lt;a href=&quot;http://k/?a=1&amp;amp;b=2&quot;&gt;hier&lt;/a&gt;&lt;/p&gt;xyz",
            TestData("pages/markup.html"), 3},
    };
    for (const auto &c : cases) {
        std::string console;
        EXPECT_EQ(Build(c.title, c.text, ULONG(c.text.size() - c.dropped), console), c.page) << c.text;
        EXPECT_EQ(console, "");
    }
}

// Texts dense with entities of every case, unknown ones, and entities across the end of the span.
std::string EntityText(std::minstd_rand &rng, size_t length)
{
    static const char *const pieces[] = {"&lt;", "&GT;", "&Amp;", "&quot;", "&nbsp;", "&", "&l", "&am", "a", "x", ";",
        "\xfc", " ", "lorem ipsum dolor ", "&lt;p&gt;", "&amp;amp;", "&amp;", "&gt;"};
    std::string text;
    while (text.size() < length)
        text += pieces[rng() % std::size(pieces)];
    return text;
}

// Descriptions as long as a page can take, and titles: the page and the title must be the ones
// decoded character by character.
TEST(Entities, SameAsCharacterByCharacter)
{
    std::minstd_rand rng(7);
    for (int n = 0; n < 300; n++) {
        const std::string text = EntityText(rng, rng() % (n % 3 == 0 ? 400 : 6200));
        const ULONG buflen = ULONG(text.size() - std::min<size_t>(text.size(), rng() % 8));
        const std::string title(rng() % 120, 'T');
        std::string console;
        const std::string page = Build(title, text, buflen, console);
        testing::internal::CaptureStdout();
        const std::string expected = ReferencePage(text.c_str(), buflen, title);
        ASSERT_EQ(console, testing::internal::GetCapturedStdout()) << "case " << n;
        ASSERT_EQ(page, expected) << "case " << n;
    }
    for (int n = 0; n < 300; n++) {
        const std::string title = EntityText(rng, rng() % 130);
        std::vector<char> buffer(title.c_str(), title.c_str() + title.size() + 1);
        ASSERT_EQ(HtmlToAscii(buffer.data()), ReferenceTitle(title.c_str())) << title;
    }
}

} // namespace
