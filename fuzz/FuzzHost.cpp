// The few program-wide pieces the fuzz targets use, for the standalone libFuzzer builds of
// run-fuzz.sh: requesters and console lines are formatted (so their arguments are checked) and
// dropped. Each is weak, so that a target which links the program's own file for one gets that one.

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"

#define FUZZ_WEAK __attribute__((weak))

FUZZ_WEAK WORD gb_Debug;
FUZZ_WEAK ULONG gb_TS[Arsschanel_max];
FUZZ_WEAK locale::Catalog *gb_Catalog;

namespace {
char sink[2048];
}

FUZZ_WEAK CONST_STRPTR GetString(LONG)
{
    return "Kein Speicher";
}

FUZZ_WEAK LONG DisplayRequester(ULONG, CONST_STRPTR text, CONST_STRPTR button, ...)
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

FUZZ_WEAK int32_t Printf(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(sink, sizeof(sink), fmt, ap);
    va_end(ap);
    return n;
}

FUZZ_WEAK int32_t PutStr(const char *text)
{
    return int32_t(strlen(text));
}

} // namespace dos
