#include "Tavrin.h"

// Stand-in: entries are built by the news-pipeline change.

BOOL CreateEntry(exec::List *, CONST_STRPTR, CONST_STRPTR, CONST_STRPTR, CONST_STRPTR, LONG)
{
    return FALSE;
}

void FreigebenList(exec::List *list)
{
    while (exec::RemHead(list)) { }
}

ULONG GetMaxTS(exec::List *, ULONG maxold)
{
    return maxold;
}
