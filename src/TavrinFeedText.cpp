#include <cstring>

#include "TavrinConvert.h"
#include "TavrinFeedParts.h"

// Texts of feed entries. The XML reader has decoded the feed's own escapes already, so nothing here
// decodes a text twice: a plain title is taken as it is, HTML (an Atom "html" title, an entry
// without a title) is turned into the text it shows once, and the article page gets the item's HTML
// unchanged.

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLetter(char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// Appends one character of `length` bytes (a UTF-8 sequence is never split), without the NUL;
// false when full.
bool PutChar(PlainText &out, const char *c, ULONG length)
{
    if (IsBlank(*c)) {
        out.blank = out.length > 0;
        return true;
    }
    const ULONG need = length + (out.blank ? 1 : 0);
    if (out.length + need + 1 > out.size)
        return false;
    if (out.blank)
        out.text[out.length++] = ' ';
    out.blank = false;
    for (ULONG i = 0; i < length; i++)
        out.text[out.length++] = c[i];
    return true;
}

ULONG SequenceLength(char lead)
{
    const auto c = static_cast<unsigned char>(lead);
    return c < 0xc0 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
}

// The character reference at `p` ("&amp;", "&#233;", "&#xE9;") within `end`: its code point and
// length, or false when there is none.
bool CharacterReference(const char *p, const char *end, LONG *codePoint, ULONG *length)
{
    const char *q = p + 1;
    LONG value = -1;
    if (q < end && *q == '#') {
        q++;
        const bool hex = q < end && (*q | 0x20) == 'x';
        q += hex;
        const char *digits = q;
        ULONG v = 0;
        for (; q < end && q - digits < 8; q++) {
            const char c = char(*q | (hex ? 0x20 : 0));
            const int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0)
                break;
            v = v * (hex ? 16 : 10) + ULONG(d);
        }
        if (q == digits)
            return false;
        value = LONG(v);
    } else {
        const char *name = q;
        while (q < end && q - name < 10 && (IsLetter(*q) || (*q >= '0' && *q <= '9')))
            q++;
        value = HtmlEntity(name, ULONG(q - name));
    }
    if (value < 0 || q >= end || *q != ';')
        return false;
    *codePoint = value;
    *length = ULONG(q + 1 - p);
    return true;
}

// The characters 128 to 159 as HTML reads them in a character reference: the letters of windows-1252
// that sat there in old pages ("&#146;" is an apostrophe), not control characters.
ULONG Windows1252(ULONG c)
{
    static const unsigned short table[32] = {0x20ac, 0xfffd, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6,
        0x2030, 0x0160, 0x2039, 0x0152, 0xfffd, 0x017d, 0xfffd, 0xfffd, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013,
        0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0xfffd, 0x017e, 0x0178};
    return c >= 0x80 && c < 0xa0 ? table[c - 0x80] : c;
}

// Behind the tag or comment that starts at `p`, or null when none starts there. One that is not
// closed runs to the end.
const char *SkipTag(const char *p, const char *end)
{
    if (*p != '<' || end - p < 2 || !(IsLetter(p[1]) || p[1] == '/' || p[1] == '!' || p[1] == '?'))
        return nullptr;
    if (end - p >= 4 && memcmp(p, "<!--", 4) == 0) {
        for (const char *q = p + 4; q + 3 <= end; q++) {
            if (memcmp(q, "-->", 3) == 0)
                return q + 3;
        }
        return end;
    }
    const auto *close = static_cast<const char *>(memchr(p, '>', size_t(end - p)));
    return close ? close + 1 : end;
}

// Whether the tag in [p, after) ends a line or a block, so that the words around it stay apart.
bool BreaksLine(const char *p, const char *after)
{
    static const char *const breaking[] = {
        "br", "p", "div", "li", "tr", "td", "th", "dt", "dd", "h1", "h2", "h3", "h4", "h5", "h6", "hr", "blockquote"};
    const char *name = p + 1 + (p[1] == '/');
    char lower[12];
    ULONG n = 0;
    while (name + n < after && n < sizeof(lower) - 1 && (IsLetter(name[n]) || (name[n] >= '0' && name[n] <= '9'))) {
        lower[n] = char(name[n] | (IsLetter(name[n]) ? 0x20 : 0));
        n++;
    }
    lower[n] = '\0';
    for (const char *b : breaking) {
        if (strcmp(lower, b) == 0)
            return true;
    }
    return false;
}

} // namespace

ULONG Utf8Cut(CONST_STRPTR text, ULONG length, ULONG max)
{
    if (length <= max)
        return length;
    ULONG n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80)
        n--;
    return n;
}

ULONG PutUtf8(ULONG c, char *out)
{
    if (c == 0 || (c >= 0xd800 && c < 0xe000) || c > 0x10ffff)
        c = 0xfffd;
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xc0 | c >> 6);
        out[1] = char(0x80 | (c & 0x3f));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xe0 | c >> 12);
        out[1] = char(0x80 | (c >> 6 & 0x3f));
        out[2] = char(0x80 | (c & 0x3f));
        return 3;
    }
    out[0] = char(0xf0 | c >> 18);
    out[1] = char(0x80 | (c >> 12 & 0x3f));
    out[2] = char(0x80 | (c >> 6 & 0x3f));
    out[3] = char(0x80 | (c & 0x3f));
    return 4;
}

// The one table of HTML entity names of the feed reader.
LONG HtmlEntity(CONST_STRPTR name, ULONG length)
{
    // ISO-8859-1 from 160 on, in code point order.
    static const char *const latin1[96] = {"nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect", "uml",
        "copy", "ordf", "laquo", "not", "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3", "acute", "micro", "para",
        "middot", "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",
        "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc", "Euml", "Igrave", "Iacute", "Icirc",
        "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml", "times", "Oslash", "Ugrave", "Uacute",
        "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig",
        "ccedil", "egrave", "eacute", "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve",
        "oacute", "ocirc", "otilde", "ouml", "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn",
        "yuml"};
    static const struct {
        const char *name;
        LONG codePoint;
    } others[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"ndash", 0x2013},
        {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"sbquo", 0x201a}, {"ldquo", 0x201c},
        {"rdquo", 0x201d}, {"bdquo", 0x201e}, {"dagger", 0x2020}, {"Dagger", 0x2021}, {"bull", 0x2022},
        {"hellip", 0x2026}, {"permil", 0x2030}, {"lsaquo", 0x2039}, {"rsaquo", 0x203a}, {"euro", 0x20ac},
        {"trade", 0x2122}, {"OElig", 0x152}, {"oelig", 0x153}, {"Scaron", 0x160}, {"scaron", 0x161}, {"thinsp", 0x2009},
        {"ensp", 0x2002}, {"emsp", 0x2003}, {"zwnj", 0x200c}, {"zwj", 0x200d}};
    auto same = [&](const char *known) { return strlen(known) == length && memcmp(known, name, length) == 0; };
    for (const auto &e : others) {
        if (same(e.name))
            return e.codePoint;
    }
    for (int i = 0; i < 96; i++) {
        if (same(latin1[i]))
            return 160 + i;
    }
    return -1;
}

CONST_STRPTR HtmlEscape(char c, bool quotes)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return quotes ? "&quot;" : nullptr;
    default:
        return nullptr;
    }
}

void PlainBegin(PlainText &out, char *buffer, ULONG size)
{
    out = {buffer, size, 0, false};
    buffer[0] = '\0';
}

void PlainAppend(PlainText &out, CONST_STRPTR text, ULONG length)
{
    for (ULONG i = 0; i < length;) {
        const ULONG n = SequenceLength(text[i]);
        if (n > length - i || !PutChar(out, text + i, n))
            break;
        i += n;
    }
    out.text[out.length] = '\0';
}

void PlainAppendHtml(PlainText &out, CONST_STRPTR html, ULONG length)
{
    const char *p = html;
    const char *end = html + length;
    while (p < end) {
        if (const char *after = SkipTag(p, end)) {
            if (BreaksLine(p, after))
                PutChar(out, " ", 1);
            p = after;
            continue;
        }
        LONG c;
        ULONG n;
        if (*p == '&' && CharacterReference(p, end, &c, &n)) {
            // A control character shows as a blank.
            char utf8[4];
            if (c < 0x20)
                PutChar(out, " ", 1);
            else
                PutChar(out, utf8, PutUtf8(Windows1252(ULONG(c)), utf8));
            p += n;
            continue;
        }
        n = SequenceLength(*p);
        if (n > ULONG(end - p) || !PutChar(out, p, n))
            break;
        p += n;
    }
    out.text[out.length] = '\0';
}

namespace {

constexpr char pageHead[] = "<html>\n<head><meta charset=\"utf-8\"></head>\n<body>\n<h3>";
constexpr char pageHeadEnd[] = "</h3>\n";
constexpr char pageEnd[] = "</body>\n</html>\n";
// As much of the body as the pages of the other channels show.
constexpr ULONG MAX_BODY = 5950;
// The heading shows more of the title than the list's 80 bytes.
constexpr ULONG MAX_TITLE = 200;

ULONG Put(char *page, ULONG at, const char *text, ULONG length)
{
    memcpy(page + at, text, length);
    return at + length;
}

// The longest start of the body that fits `room` and ends at a character, outside a tag (which
// would swallow the closing lines) and outside a character reference (which would show its pieces).
ULONG BodyCut(CONST_STRPTR body, ULONG length, ULONG room)
{
    if (length <= room)
        return length;
    ULONG n = Utf8Cut(body, length, room);
    for (ULONG i = n; i > 0; i--) {
        if (body[i - 1] == '>')
            break;
        if (body[i - 1] == '<') {
            n = i - 1;
            break;
        }
    }
    for (ULONG i = n; i > 0 && n - i < 32; i--) {
        const char c = body[i - 1];
        if (c == ';' || c == '>' || IsBlank(c))
            break;
        if (c == '&') {
            n = i - 1;
            break;
        }
    }
    return n;
}

} // namespace

ULONG MakeFeedPage(CONST_STRPTR title, CONST_STRPTR body, ULONG bodyLength, char *page)
{
    ULONG at = Put(page, 0, pageHead, sizeof(pageHead) - 1);
    const ULONG titleLength = Utf8Cut(title, ULONG(strlen(title)), MAX_TITLE);
    for (ULONG i = 0; i < titleLength; i++) {
        if (CONST_STRPTR escape = HtmlEscape(title[i], false))
            at = Put(page, at, escape, ULONG(strlen(escape)));
        else
            page[at++] = title[i];
    }
    at = Put(page, at, pageHeadEnd, sizeof(pageHeadEnd) - 1);
    ULONG room = MELDUNG_SIZE - 1 - at - (sizeof(pageEnd) - 1);
    if (room > MAX_BODY)
        room = MAX_BODY;
    at = Put(page, at, body, BodyCut(body, bodyLength, room));
    at = Put(page, at, pageEnd, sizeof(pageEnd));
    return at - 1;
}
