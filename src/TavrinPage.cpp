#include <cstring>

#include "TavrinPipeline.h"
#include "platform/dos.h"

char gb_Meldung[MELDUNG_SIZE];

namespace {

constexpr ULONG MAX_DESCRIPTION = 5950;
// The header holds at most 99 characters, so a long title loses its end and its closing tag.
constexpr ULONG HEADER_SIZE = 100;
constexpr char pageEnd[] = "</body>\n</html>\n";

struct Entity {
    const char *text; // lower case; letters match in any case
    ULONG len;
    char decoded;
};

constexpr Entity entities[] = {
    {"&lt;", 4, '<'},
    {"&gt;", 4, '>'},
    {"&amp;", 5, '&'},
    {"&quot;", 6, '"'},
};

// Compares without regard to the case of ASCII letters and stops at the first difference, so it
// never reads past the text's NUL.
bool StartsNoCase(const char *p, const Entity &e)
{
    for (ULONG i = 0; i < e.len; i++) {
        char c = p[i];
        char want = e.text[i];
        if (c != want && !(want >= 'a' && want <= 'z' && (c | 0x20) == want))
            return false;
    }
    return true;
}

ULONG Append(ULONG used, CONST_STRPTR text)
{
    while (used < HEADER_SIZE - 1 && *text)
        gb_Meldung[used++] = *text++;
    return used;
}

// Writes the character for the entity at `amp` and returns how many characters it took. An unknown
// one stays as it is (the browser may know it) and is reported on the console.
ULONG DecodeEntity(CONST_STRPTR amp, char *out)
{
    for (const Entity &e : entities) {
        if (StartsNoCase(amp, e)) {
            *out = e.decoded;
            return e.len;
        }
    }
    dos::Printf("Nicht unterstütztes Sonderzeichen: %.6s\n", amp);
    *out = '&';
    return 1;
}

} // namespace

BOOL PrepareDescription(CONST_STRPTR buffer, ULONG buflen, CONST_STRPTR title)
{
    if (buflen > MAX_DESCRIPTION)
        buflen = MAX_DESCRIPTION;
    ULONG o = Append(0, "<html>\n<body>\n");
    o = Append(o, "<h3>");
    o = Append(o, title);
    o = Append(o, "</h3>\n");
    // Header and body can be longer than the page buffer; the body is cut so the closing lines fit.
    const ULONG bodyEnd = MELDUNG_SIZE - sizeof(pageEnd);
    ULONG i = 0;
    while (i < buflen && o < bodyEnd) {
        const char *amp = static_cast<const char *>(memchr(buffer + i, '&', buflen - i));
        ULONG run = amp ? ULONG(amp - buffer) - i : buflen - i;
        if (run > bodyEnd - o)
            run = bodyEnd - o;
        memcpy(gb_Meldung + o, buffer + i, run);
        o += run;
        i += run;
        if (!amp || o == bodyEnd)
            break;
        i += DecodeEntity(buffer + i, gb_Meldung + o);
        o++;
    }
    memcpy(gb_Meldung + o, pageEnd, sizeof(pageEnd));
    return TRUE;
}
