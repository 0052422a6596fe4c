#pragma once

#include "Tavrin.h"

// Reads an RSS or Atom feed of `length` bytes (`text[length]` is a NUL; the text is not changed) into the
// empty `list` of channel `side` through CreateEntry, the feed's own title first; relative links are
// resolved against `feedUrl`, the address the text finally came from.
BOOL ParseFeedfile(exec::List *list, const char *text, ULONG length, CONST_STRPTR feedUrl, LONG side);
