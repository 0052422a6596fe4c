#include "Tavrin.h"

// Stand-in: the parser is built by the news-pipeline change.
BOOL ParseNewsfile(exec::List *, char *, LONG)
{
    return TRUE;
}
