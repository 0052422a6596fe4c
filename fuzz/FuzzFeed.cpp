// Fuzz target: a feed through ParseFeedfile, CreateEntry and the article page. The first byte
// chooses the channel, the debug lines, whether entries are new and whether the first entry's list
// node fails; the rest is the feed text. Every entry must hold whole UTF-8 characters, an http(s)
// link or none, a date in the entry's layout or none, and a complete page or none; the text must be
// left as it was.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EntryList.h"
#include "FuzzCheck.h"
#include "TavrinConvert.h"
#include "TavrinFeed.h"
#include "platform/FakeListNode.h"

namespace {

bool WholeUtf8(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80   ? 1
            : c >= 0xc2 && c < 0xe0 ? 2
            : c >= 0xe0 && c < 0xf0 ? 3
            : c >= 0xf0 && c < 0xf5 ? 4
                                    : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; k++) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80)
                return false;
        }
        i += n;
    }
    return true;
}

bool Sound(const Entry &e, bool first)
{
    static const std::string pageStart = "<html>\n", pageEnd = "</body>\n</html>\n";
    const bool date = first ? e.date == "         "
                            : e.date.empty() || (e.date.size() == 20 && e.timestamp == EntryTimestamp(e.date.c_str()));
    const bool link = e.link.empty() || e.link.rfind("http://", 0) == 0 || e.link.rfind("https://", 0) == 0;
    const bool page = e.meldung.empty()
        || (e.meldung.rfind(pageStart, 0) == 0 && e.meldung.size() >= pageEnd.size()
            && e.meldung.compare(e.meldung.size() - pageEnd.size(), pageEnd.size(), pageEnd) == 0);
    return date && link && page && WholeUtf8(e.title) && WholeUtf8(e.meldung) && e.title.size() <= 80;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const LONG side = LONG(data[0] & 1);
    gb_Debug = data[0] & 0x80 ? DEBUG_PARSER : 0;
    gb_TS[Kestrel_german] = gb_TS[Kestrel_english] = data[0] & 0x40 ? 1544000000u : 0;
    const std::vector<char> original(data + 1, data + size);
    std::vector<char> text = original;
    text.push_back('\0');
    {
        ChannelList list;
        fake::FailNextListNodeAlloc(data[0] & 0x20);
        ParseFeedfile(&list.list, text.data(), ULONG(size - 1), "https://feeds.example/dir/feed.xml", side);
        fake::FailNextListNodeAlloc(false);
        if (!std::equal(original.begin(), original.end(), text.begin()) || text.back() != '\0')
            Fail("the feed text was changed");
        const std::vector<Entry> entries = Entries(&list.list);
        for (size_t i = 0; i < entries.size(); i++) {
            if (!Sound(entries[i], i == 0))
                Fail("an entry is not sound");
        }
    }
    if (fake::LiveListNodes() != 0)
        Fail("list nodes left after FreigebenList");
    return 0;
}
