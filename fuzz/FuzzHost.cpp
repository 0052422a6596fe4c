// The few program-wide pieces the pipeline uses, for the standalone libFuzzer build of run-fuzz.sh:
// requesters and console lines are formatted (so their arguments are checked) and dropped.

#include <cstdarg>
#include <cstdio>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"

WORD gb_Debug;
ULONG gb_TS[Arsschanel_max];

namespace {
char sink[2048];
}

CONST_STRPTR GetString(LONG)
{
    return "Kein Speicher";
}

LONG DisplayRequester(ULONG, CONST_STRPTR text, CONST_STRPTR button, ...)
{
    va_list ap;
    va_start(ap, button);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    vsnprintf(sink, sizeof(sink), text, ap);
#pragma GCC diagnostic pop
    va_end(ap);
    return 0;
}

namespace dos {

int32_t Printf(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(sink, sizeof(sink), fmt, ap);
    va_end(ap);
    return n;
}

} // namespace dos
