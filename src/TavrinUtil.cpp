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
