#pragma once

// The article page and the conversions of the feed parser, beside the entry functions of Tavrin.h.

#include "Tavrin.h"

// The page that PrepareDescription builds for the item being parsed; CreateEntry copies it.
constexpr ULONG MELDUNG_SIZE = 6000;
extern char gb_Meldung[MELDUNG_SIZE];

// Writes the article page of one item into gb_Meldung: header with the raw title, then at most 5950
// characters of the description with &lt; &gt; &amp; &quot; decoded (any case), then the closing lines.
// `buffer` lies inside a NUL-terminated feed text: an entity that begins before `buflen` is read on
// across that end, never past the NUL. A page that would not fit loses the end of its body.
BOOL PrepareDescription(CONST_STRPTR buffer, ULONG buflen, CONST_STRPTR title);

// CreateEntry for an item of a feed read as XML: its title is plain text already, so its entities are
// not decoded a second time ("Tom &amp; Jerry" stays as the feed meant it).
BOOL CreateFeedEntry(
    exec::List *list, CONST_STRPTR title, CONST_STRPTR link, CONST_STRPTR meldung, CONST_STRPTR date, LONG side);

// How the entities &lt; &gt; &amp; &quot; are decoded: the article page takes them in any case and
// reports the others on the console; a title takes them in exact case and keeps the others silently.
enum EntityRules : UBYTE { ENTITIES_IN_PAGE, ENTITIES_IN_TITLE };

// Decodes the first `length` characters of `text` into `out`, writing at most `room` characters and no
// NUL; returns how many it wrote. `text` is NUL-terminated somewhere behind `length`: an entity that
// begins before `length` is read on across it, never past the NUL. Unknown entities stay as they are.
ULONG DecodeEntities(CONST_STRPTR text, ULONG length, STRPTR out, ULONG room, EntityRules rules);

// "DD Mon YYYY ..." as "DD-MM-YY" in a static buffer that the next call overwrites; null when no month
// name follows the day or the text is too short to hold a year.
STRPTR ConvertToUniDate(CONST_STRPTR str);

// Decodes &amp; &quot; &lt; &gt; (exact case) in place and keeps at most 99 characters; returns `str`.
STRPTR HtmlToAscii(STRPTR str);

// Seconds since 1 January 1978 00:00:00 of a stored date text "DD Mon YYYY HH:MM:SS", read as written
// (no zone); two-digit years 78-99 are 1978-1999, 00-77 are 2000-2077. 0 when it cannot be read.
ULONG EntryTimestamp(CONST_STRPTR date);
