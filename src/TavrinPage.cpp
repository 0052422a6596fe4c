#include <cstring>

#include "TavrinConvert.h"

char gb_Meldung[MELDUNG_SIZE];

namespace {

constexpr ULONG MAX_DESCRIPTION = 5950;
// The header holds at most 99 characters, so a long title loses its end and its closing tag.
constexpr ULONG HEADER_SIZE = 100;
constexpr char pageEnd[] = "</body>\n</html>\n";

ULONG Append(ULONG used, CONST_STRPTR text)
{
    while (used < HEADER_SIZE - 1 && *text)
        gb_Meldung[used++] = *text++;
    return used;
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
    o += DecodeEntities(buffer, buflen, gb_Meldung + o, bodyEnd - o, ENTITIES_IN_PAGE);
    memcpy(gb_Meldung + o, pageEnd, sizeof(pageEnd));
    return TRUE;
}
