#include <cstring>

#include "TavrinConvert.h"
#include "platform/dos.h"

// The feed is not parsed as XML: the literal tags are searched in turn from a scan position and the
// texts between them are cut out in place by writing NULs, so a text can be parsed once. Every search
// ends at the text's first NUL.

namespace {

enum Tag : UBYTE {
    TitleOpen,
    TitleClose,
    DescOpen,
    DescClose,
    LinkOpen,
    LinkClose,
    DateOpen,
    DateClose,
    TagCount,
    NoTag = TagCount,
};

struct TagText {
    const char *text;
    ULONG len;
};

constexpr TagText tags[TagCount] = {
    {"<title>", 7},
    {"</title>", 8},
    {"<description>", 13},
    {"</description>", 14},
    {"<link>", 6},
    {"</link>", 7},
    {"<pubDate>", 9},
    {"</pubDate>", 10},
};

// Weekday, comma and blank in front of the date; blank and zone behind it.
constexpr ULONG WEEKDAY_LEN = 5;
constexpr ULONG ZONE_LEN = 6;

// What the searches so far have passed: every "<" in [from, to) has been looked at, and first[t] is
// the first tag t there (null: none). With toEnd the stretch reaches the end of the text.
struct TagScan {
    char *from, *to;
    bool toEnd;
    char *first[TagCount];
};

// The searches of one parse start at positions that never go back, and the NULs the parser writes
// all lie before the next search's start. So what a search passes on its way stays true for the later
// searches of the other tags: each stretch of text is scanned once, although the searches for the
// description's end and for the date both cross the description.

bool StartsWith(const char *p, const TagText &tag)
{
    // Stops at the first difference, so it never reads past the text's NUL.
    for (ULONG i = 0; i < tag.len; i++) {
        if (p[i] != tag.text[i])
            return false;
    }
    return true;
}

Tag Classify(const char *p)
{
    Tag t;
    bool closing = p[1] == '/';
    switch (p[closing ? 2 : 1]) {
    case 't':
        t = TitleOpen;
        break;
    case 'd':
        t = DescOpen;
        break;
    case 'l':
        t = LinkOpen;
        break;
    case 'p':
        t = DateOpen;
        break;
    default:
        return NoTag;
    }
    t = Tag(t + closing);
    return StartsWith(p, tags[t]) ? t : NoTag;
}

void Restart(TagScan &s, char *pos)
{
    s.from = s.to = pos;
    s.toEnd = false;
    for (char *&f : s.first)
        f = nullptr;
}

// The first occurrence of `want` at or after `pos`, as strstr would find it, or null.
char *FindTag(TagScan &s, char *pos, Tag want)
{
    bool inside = s.from <= pos && (s.toEnd || pos <= s.to);
    if (!inside || (s.first[want] && s.first[want] < pos))
        Restart(s, pos);
    if (s.first[want])
        return s.first[want];
    if (s.toEnd)
        return nullptr;
    for (;;) {
        char *lt = strchr(s.to, '<');
        if (!lt) {
            s.toEnd = true;
            return nullptr;
        }
        s.to = lt + 1;
        Tag t = Classify(lt);
        if (t != NoTag && !s.first[t])
            s.first[t] = lt;
        if (t == want)
            return lt;
    }
}

// Cuts the text between `open` and its closing tag: the closing tag's "<" becomes the NUL and the scan
// position moves behind it. A missing opening tag ends the scan (position null); a missing closing tag
// leaves the field out and the position behind the opening tag.
char *CutField(TagScan &s, char *&pos, Tag open)
{
    if (!pos)
        return nullptr;
    char *start = FindTag(s, pos, open);
    if (!start) {
        pos = nullptr;
        return nullptr;
    }
    pos = start + tags[open].len;
    char *end = FindTag(s, pos, Tag(open + 1));
    if (!end)
        return nullptr;
    *end = '\0';
    char *field = pos;
    pos = end + 1;
    return field;
}

// The description span, its start (for the debug line) and the article page. The scan does not move.
char *TakeDescription(TagScan &s, char *pos, CONST_STRPTR title)
{
    if (!pos)
        return nullptr;
    char *open = FindTag(s, pos, DescOpen);
    char *close = FindTag(s, pos, DescClose);
    if (!open)
        return nullptr;
    char *start = open + tags[DescOpen].len;
    // The last three characters are dropped, as a CDATA section's "]]>" would be.
    if (close && close > start + 3 && title)
        PrepareDescription(start, ULONG(close - 3 - start), title);
    return start;
}

// "<pubDate>Fri, 05 Dec 2026 12:34:56 +0100</pubDate>" gives "05 Dec 2026 12:34:56": the weekday is
// skipped and the zone cut off by position, whatever they hold.
char *CutDate(TagScan &s, char *&pos)
{
    if (!pos)
        return nullptr;
    char *tag = FindTag(s, pos, DateOpen);
    if (!tag) {
        pos = nullptr;
        return nullptr;
    }
    char *start = tag + tags[DateOpen].len;
    for (ULONG i = 0; i < WEEKDAY_LEN; i++, start++) {
        if (*start == '\0') {
            // The text ends inside the weekday: there is no closing tag to find.
            pos = start;
            return nullptr;
        }
    }
    pos = start;
    char *close = FindTag(s, pos, DateClose);
    if (!close)
        return nullptr;
    // A date shorter than its zone would end before it starts: it is empty.
    char *end = close - start > ptrdiff_t(ZONE_LEN) ? close - ZONE_LEN : start;
    *end = '\0';
    pos = close + 1;
    return start;
}

unsigned long Addr(const void *p)
{
    return reinterpret_cast<unsigned long>(p);
}

} // namespace

BOOL ParseNewsfile(exec::List *list, char *buffer, LONG side)
{
    static char noDate[] = "";
    if (gb_Debug & DEBUG_PARSER) {
        size_t len = strlen(buffer);
        dos::Printf("parsing from $%lx - $%lx bytes (%ld bytes) ...\n", Addr(buffer), Addr(buffer + len), long(len));
    }
    TagScan scan;
    Restart(scan, buffer);
    char *pos = buffer;
    bool first = true;
    for (;;) {
        char *title = CutField(scan, pos, TitleOpen);
        gb_Meldung[0] = '\0';
        char *desc = TakeDescription(scan, pos, title);
        char *link = CutField(scan, pos, LinkOpen);
        char *date = noDate;
        if (!first && side != VEdod_german)
            date = CutDate(scan, pos);
        if (gb_Debug & DEBUG_PARSER)
            dos::Printf(">> $%lx >> $%lx $%lx $%lx $%lx\n", Addr(pos), Addr(title), Addr(link), Addr(date), Addr(desc));
        if (!title || !link || !date)
            return TRUE;
        CreateEntry(list, title, link, gb_Meldung, date, side);
        first = false;
    }
}

namespace {

// The month number (1-12) whose English name starts at `p`, or 0.
int MonthAt(const char *p)
{
    static const char months[12][4]
        = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Most characters start no month name: A, D, F, J, M, N, O and S do.
    constexpr ULONG initials = 1u << 0 | 1u << 3 | 1u << 5 | 1u << 9 | 1u << 12 | 1u << 13 | 1u << 14 | 1u << 18;
    if (p[0] < 'A' || p[0] > 'Z' || !(initials >> (p[0] - 'A') & 1))
        return 0;
    for (int m = 0; m < 12; m++) {
        if (p[0] == months[m][0] && p[1] == months[m][1] && p[2] == months[m][2])
            return m + 1;
    }
    return 0;
}

} // namespace

STRPTR ConvertToUniDate(CONST_STRPTR str)
{
    static char unidate[9];
    // The year's last digits sit at fixed positions 9 and 10.
    size_t len = strnlen(str, 11);
    if (len < 11)
        return nullptr;
    len += strlen(str + len);
    // The month first in the table wins, wherever it stands from the fourth character on.
    int month = 13;
    for (size_t i = 3; i + 3 <= len; i++) {
        int m = MonthAt(str + i);
        if (m && m < month)
            month = m;
    }
    if (month == 13)
        return nullptr;
    unidate[0] = str[0];
    unidate[1] = str[1];
    unidate[2] = '-';
    unidate[3] = char('0' + month / 10);
    unidate[4] = char('0' + month % 10);
    unidate[5] = '-';
    unidate[6] = str[9];
    unidate[7] = str[10];
    unidate[8] = '\0';
    return unidate;
}

STRPTR HtmlToAscii(STRPTR str)
{
    constexpr ULONG MAX_OUT = 99;
    // 99 characters come from at most 99 entities of at most 6 characters; the rest is never read.
    constexpr ULONG MAX_IN = MAX_OUT * 6;
    char out[MAX_OUT + 1];
    const ULONG o = DecodeEntities(str, ULONG(strnlen(str, MAX_IN)), out, MAX_OUT, ENTITIES_IN_TITLE);
    out[o] = '\0';
    memcpy(str, out, o + 1);
    return str;
}
