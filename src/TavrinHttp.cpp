#include "Tavrin.h"

// Stand-in: the download is built by the feed-download change.
BOOL getNewsInternal(char *buffer, LONG)
{
    buffer[0] = 0;
    return FALSE;
}
