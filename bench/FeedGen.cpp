#include "FeedGen.h"

#include <cstdio>

namespace {

// xorshift32: small, fast and the same everywhere.
struct Random {
    uint32_t state;
    uint32_t Below(uint32_t n)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state % n;
    }
    template<size_t N> const char *Pick(const char *const (&list)[N]) { return list[Below(N)]; }
};

const char *const words[] = {"Amiga", "Treiber", "Version", "neue", "die", "der", "und", "mit", "f\374r", "\374ber",
    "Spiel", "Rechner", "Grafikkarte", "Speicher", "Update", "Entwickler", "Messe", "Treffen", "Bericht", "schnell",
    "Anwendung", "Fehler", "behoben", "Unterst\374tzung", "Netzwerk", "Browser", "release", "driver", "update",
    "support", "new", "the", "and", "with", "for", "game", "developer", "announced", "available", "download",
    "Gr\366\337e", "Stra\337e", "M\344rz", "K\366ln", "PowerPC", "Workbench", "Kickstart", "Datei", "Sound"};
const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char *const zones[] = {"+0100", "+0200", "+0000", "-0500"};

constexpr char SITE[] = "http://www.kestrel-review.example";

// `first` to `first + spread - 1` words, after `before` and followed by `after`.
void Words(
    Random &r, std::string &out, unsigned first, unsigned spread, const char *before = "", const char *after = "")
{
    out += before;
    for (unsigned i = 0, count = first + (spread > 1 ? r.Below(spread) : 0); i < count; i++)
        out += (i ? " " : "") + std::string(r.Pick(words));
    out += after;
}

void Title(Random &r, std::string &out)
{
    Words(r, out, 2, 4);
    switch (r.Below(4)) {
    case 0:
        return Words(r, out, 1, 2, " &amp; ");
    case 1:
        return Words(r, out, 1, 2, ": &quot;", "&quot;");
    default:
        return Words(r, out, 1, 3, " ");
    }
}

// Escaped markup as a site's feed carries it: paragraphs, emphasis, links, line breaks, ampersands.
void Description(Random &r, std::string &out, unsigned id)
{
    const size_t end = out.size() + 200 + r.Below(2801);
    while (out.size() < end) {
        out += "&lt;p&gt;";
        for (unsigned s = 0, sentences = 1 + r.Below(4); s < sentences; s++) {
            Words(r, out, 4, 10);
            char link[120];
            switch (r.Below(6)) {
            case 0:
                Words(r, out, 1, 2, " &lt;b&gt;", "&lt;/b&gt;");
                break;
            case 1:
                snprintf(link, sizeof(link), " &lt;a href=&quot;%s/news/%u?from=rss&amp;amp;lang=de&quot;&gt;", SITE,
                    id + r.Below(50));
                Words(r, out, 1, 3, link, "&lt;/a&gt;");
                break;
            case 2:
                Words(r, out, 2, 1, " &amp; ");
                break;
            case 3:
                out += "&lt;br /&gt;";
            }
            out += ". ";
        }
        out += "&lt;/p&gt;\n";
    }
}

// A short description: one sentence of escaped markup.
void ShortDescription(Random &r, std::string &out, unsigned)
{
    Words(r, out, 3, 6, "&lt;p&gt;", ".&lt;/p&gt;");
}

// The channel header, then items until `more` says the feed is long enough.
template<typename More, typename Body> std::string Feed(Random &r, More more, Body body)
{
    std::string feed = std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n")
        + "<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\">\n<channel>\n"
        + "<title>Kestrel Review News (deutsch)</title>\n<link>" + SITE + "/</link>\n"
        + "<description>Neuigkeiten aus der Amiga-Welt &amp; mehr</description>\n<language>de-de</language>\n"
        + "<lastBuildDate>Sat, 05 Dec 2026 12:34:56 +0100</lastBuildDate>\n";
    const std::string end = "</channel>\n</rss>\n";
    for (unsigned id = 100000, items = 0; more(feed.size() + end.size(), items); id--, items++) {
        char line[200];
        feed += "<item>\n<title>";
        Title(r, feed);
        snprintf(line, sizeof(line), "</title>\n<link>%s/news/%u</link>\n<description>", SITE, id);
        feed += line;
        body(r, feed, id);
        snprintf(line, sizeof(line),
            "</description>\n<pubDate>%s, %02u %s %u %02u:%02u:%02u %s</pubDate>\n"
            "<guid isPermaLink=\"true\">%s/news/%u</guid>\n</item>\n",
            r.Pick(days), 1 + r.Below(28), r.Pick(months), 2020 + r.Below(8), r.Below(24), r.Below(60), r.Below(60),
            r.Pick(zones), SITE, id);
        feed += line;
    }
    return feed + end;
}

} // namespace

std::string GenerateFeed(size_t targetBytes, uint32_t seed)
{
    Random r {seed ? seed : 1};
    return Feed(
        r, [targetBytes](size_t bytes, size_t) { return bytes < targetBytes; }, Description);
}

std::string GenerateSmallFeed(size_t items, uint32_t seed)
{
    Random r {seed ? seed : 1};
    return Feed(
        r, [items](size_t, size_t made) { return made < items; }, ShortDescription);
}

std::string Utf8Feed(const std::string &latin1Feed)
{
    std::string feed;
    feed.reserve(latin1Feed.size() + latin1Feed.size() / 16);
    for (const char c : latin1Feed) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            feed += c;
        } else {
            feed += char(0xc0 | b >> 6);
            feed += char(0x80 | (b & 0x3f));
        }
    }
    const std::string declared = "encoding=\"ISO-8859-1\"";
    const size_t at = feed.find(declared);
    return at == std::string::npos ? feed : feed.replace(at, declared.size(), "encoding=\"UTF-8\"");
}
