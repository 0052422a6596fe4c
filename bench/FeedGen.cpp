#include "FeedGen.h"

#include <cstdio>

namespace {

// xorshift32: small, fast and the same everywhere.
struct Random {
    uint32_t state;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    template<size_t N> const char *Pick(const char *const (&list)[N]) { return list[Below(N)]; }
};

const char *const words[] = {"Amiga", "Treiber", "Version", "neue", "die", "der", "und", "mit", "f\xfcr",
    "\xfc"
    "ber",
    "Spiel", "Rechner", "Grafikkarte", "Speicher", "Update", "Entwickler", "Messe", "Treffen", "Bericht", "schnell",
    "Anwendung", "Fehler", "behoben", "Unterst\xfctzung", "Netzwerk", "Browser", "release", "driver", "update",
    "support", "new", "the", "and", "with", "for", "game", "developer", "announced", "available", "download",
    "Gr\xf6\xdf"
    "e",
    "Stra\xdf"
    "e",
    "M\xe4rz", "K\xf6ln", "PowerPC", "Workbench", "Kickstart", "Datei", "Sound"};
const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char *const zones[] = {"+0100", "+0200", "+0000", "-0500"};

constexpr char SITE[] = "http://www.kestrel-review.example";

void Words(Random &r, std::string &out, unsigned count)
{
    for (unsigned i = 0; i < count; i++) {
        if (i)
            out += ' ';
        out += r.Pick(words);
    }
}

void Title(Random &r, std::string &out)
{
    Words(r, out, 2 + r.Below(4));
    switch (r.Below(4)) {
    case 0:
        out += " &amp; ";
        Words(r, out, 1 + r.Below(2));
        break;
    case 1:
        out += ": &quot;";
        Words(r, out, 1 + r.Below(2));
        out += "&quot;";
        break;
    default:
        out += ' ';
        Words(r, out, 1 + r.Below(3));
    }
}

// Escaped markup as a site's feed carries it: paragraphs, emphasis, links, line breaks, ampersands.
void Description(Random &r, std::string &out, unsigned id)
{
    size_t start = out.size();
    size_t length = 200 + r.Below(2801);
    while (out.size() - start < length) {
        out += "&lt;p&gt;";
        unsigned sentences = 1 + r.Below(4);
        for (unsigned s = 0; s < sentences; s++) {
            Words(r, out, 4 + r.Below(10));
            switch (r.Below(6)) {
            case 0:
                out += " &lt;b&gt;";
                Words(r, out, 1 + r.Below(2));
                out += "&lt;/b&gt;";
                break;
            case 1: {
                char link[120];
                snprintf(link, sizeof(link), " &lt;a href=&quot;%s/news/%u?from=rss&amp;amp;lang=de&quot;&gt;", SITE,
                    id + r.Below(50));
                out += link;
                Words(r, out, 1 + r.Below(3));
                out += "&lt;/a&gt;";
                break;
            }
            case 2:
                out += " &amp; ";
                Words(r, out, 2);
                break;
            case 3:
                out += "&lt;br /&gt;";
                break;
            default:
                break;
            }
            out += ". ";
        }
        out += "&lt;/p&gt;\n";
    }
}

} // namespace

std::string GenerateFeed(size_t targetBytes, uint32_t seed)
{
    Random r {seed ? seed : 1};
    std::string feed;
    feed.reserve(targetBytes + 4096);
    feed += "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
            "<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\">\n<channel>\n"
            "<title>Kestrel Review News (deutsch)</title>\n";
    feed += std::string("<link>") + SITE + "/</link>\n";
    feed += "<description>Neuigkeiten aus der Amiga-Welt &amp; mehr</description>\n"
            "<language>de-de</language>\n"
            "<lastBuildDate>Sat, 05 Dec 2026 12:34:56 +0100</lastBuildDate>\n";
    unsigned id = 100000;
    const std::string end = "</channel>\n</rss>\n";
    while (feed.size() + end.size() < targetBytes) {
        char line[200];
        feed += "<item>\n<title>";
        Title(r, feed);
        snprintf(line, sizeof(line), "</title>\n<link>%s/news/%u</link>\n<description>", SITE, id);
        feed += line;
        Description(r, feed, id);
        snprintf(line, sizeof(line),
            "</description>\n<pubDate>%s, %02u %s %u %02u:%02u:%02u %s</pubDate>\n"
            "<guid isPermaLink=\"true\">%s/news/%u</guid>\n</item>\n",
            r.Pick(days), 1 + r.Below(28), r.Pick(months), 2020 + r.Below(8), r.Below(24), r.Below(60), r.Below(60),
            r.Pick(zones), SITE, id);
        feed += line;
        id--;
    }
    return feed + end;
}
