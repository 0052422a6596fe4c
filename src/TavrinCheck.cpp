#include "Tavrin.h"

// Stand-in: the news check and reload are built by their own changes.

LONG gb_DoMessage;

LONG CheckToNews(LONG)
{
    return 0;
}
void CheckToAllNews() { }
void RenewList(LONG) { }
