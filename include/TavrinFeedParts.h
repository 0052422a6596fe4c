#pragma once

// The pieces of the feed reader (TavrinFeed.h): dates, addresses and texts. All texts are UTF-8.

#include "Tavrin.h"

// Dates (TavrinFeedDate).

// Seconds since 1 January 1970 UTC of a feed's date, written as RFC 822 ("Fri, 5 Dec 2026 12:34:56
// EST") or as RFC 3339 / W3C date ("2026-12-05T12:34:56.5+01:00"), whichever it is. Named zones
// that are not known count as UTC. False when the text is neither or names no real date.
bool ParseFeedDate(CONST_STRPTR text, int64_t *seconds);

// The user's local time (TZ) of `seconds` as "DD Mon YYYY HH:MM:SS", the layout the entry's
// timestamp is read from. An empty text when the local date lies outside 1978 to 2077, which that
// timestamp cannot count (1970 would be read as 2070 and stay new for ever).
void LocalDateText(int64_t seconds, char out[21]);

// Addresses (TavrinUrl).

constexpr ULONG URL_SIZE = 1024;

// Resolves `ref` against the absolute address `base` (null or empty: `ref` must be absolute) into
// `out` of URL_SIZE bytes. Blanks around `ref` and line breaks and tabs in it are dropped; blanks,
// control characters, quotes, angle brackets and non-ASCII bytes come out percent-encoded, so the
// result is ASCII. False, with `out` empty, when the result is no http or https address with a host, or
// does not fit.
bool ResolveUrl(CONST_STRPTR base, CONST_STRPTR ref, char *out);

// Texts (TavrinFeedText).

// The length of the longest start of `text` (of `length` bytes) that has at most `max` bytes and
// does not end inside a UTF-8 sequence.
ULONG Utf8Cut(CONST_STRPTR text, ULONG length, ULONG max);

// A bounded text that collapses every run of blanks, tabs and line breaks to one blank and drops
// them at both ends. What does not fit is dropped whole characters at a time.
struct PlainText {
    char *text;
    ULONG size; // including the NUL
    ULONG length;
    bool blank; // a blank is owed before the next character
};
void PlainBegin(PlainText &out, char *buffer, ULONG size);
void PlainAppend(PlainText &out, CONST_STRPTR text, ULONG length);
// Appends HTML as the text it shows: tags and comments dropped, character references decoded.
void PlainAppendHtml(PlainText &out, CONST_STRPTR html, ULONG length);

// The code point of an HTML character entity name (without "&" and ";"), or -1 when it is not one
// the reader knows: the XML ones, those of ISO-8859-1 and the common typographic ones.
LONG HtmlEntity(CONST_STRPTR name, ULONG length);
// The escape that HTML needs for `c` (&, <, > and, inside an attribute, "), or null.
CONST_STRPTR HtmlEscape(char c, bool quotes);
// The UTF-8 bytes of a code point (U+FFFD for one that is no character); returns their number (1-4).
ULONG PutUtf8(ULONG codePoint, char *out);

// Writes the article page of a feed entry into `page` (MELDUNG_SIZE bytes): a UTF-8 page with the
// plain `title` as its heading and `body` (HTML) below it, cut where it must be at a character and
// outside a tag. Returns its length.
ULONG MakeFeedPage(CONST_STRPTR title, CONST_STRPTR body, ULONG bodyLength, char *page);
