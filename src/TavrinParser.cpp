#include "Tavrin.h"

// Stand-in: the parser is built by the news-pipeline change.
void ParseNewsfile(exec::List *, char *, LONG) { }
