#include "TavrinFeed.h"

#include <cstring>
#include <new>

// Temporary, until the feed reader comes: reads a feed in the shape the news parser knows (simple RSS 2.0)
// from a copy, since that parser cuts its text apart.
BOOL ParseFeedfile(exec::List *list, const char *text, ULONG length, CONST_STRPTR, LONG side)
{
    char *copy = new (std::nothrow) char[length + 1];
    if (!copy)
        return FALSE;
    memcpy(copy, text, length);
    copy[length] = 0;
    const BOOL parsed = ParseNewsfile(list, copy, side);
    delete[] copy;
    return parsed;
}
