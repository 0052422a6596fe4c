#include <cstring>

#include "Tavrin.h"

ULONG Strlcpy(char *dst, CONST_STRPTR src, ULONG size)
{
    size_t len = strlen(src);
    if (size > 0) {
        size_t n = len < size - 1 ? len : size - 1;
        memcpy(dst, src, n);
        dst[n] = 0;
    }
    return static_cast<ULONG>(len);
}

BOOL SameNoCase(CONST_STRPTR a, CONST_STRPTR b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c | 0x20) : c; };
    while (*a && lower(*a) == lower(*b)) {
        a++;
        b++;
    }
    return lower(*a) == lower(*b);
}
