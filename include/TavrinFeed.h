#pragma once

// The reader for channels given by the address of a feed.

#include "Tavrin.h"

// Reads the RSS (0.9x, 1.0, 2.0) or Atom 1.0 feed `text` of `length` bytes (text[length] is a NUL;
// the text is never changed) into the empty `list` of channel `side`: first the feed's own title,
// then its items in feed order, through CreateEntry. Texts are stored as UTF-8. Relative links are
// resolved against `feedUrl`, the address the text came from. A feed that is not well-formed keeps
// the items read before its fault. Always TRUE.
BOOL ParseFeedfile(exec::List *list, const char *text, ULONG length, CONST_STRPTR feedUrl, LONG side);
