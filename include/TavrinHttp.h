#pragma once

// Feed download: the request texts and the server of each channel.

#include <cstddef>

#include "Tavrin.h"

// The second news site (channel VEdod_german): its host name goes into the request line, the
// connection goes to its address on port 80.
extern const char gb_VEdodHost[];
extern const char gb_VEdodADR[];

// Room for the longest request, with its NUL.
constexpr size_t NEWS_REQUEST_SIZE = 120;

// Writes the channel's request into `request` (NEWS_REQUEST_SIZE bytes); FALSE for a channel
// that does not exist.
BOOL BuildNewsRequest(char *request, LONG side);

// Writes the last download of any channel to "ram:rss-file", for looking at what the server really sent.
void DumpAnswer(CONST_STRPTR buffer, ULONG count);

// Splits a server address "a.b.c.d" or "a.b.c.d:port" into the address (at most hostSize-1
// characters) and the port, 80 when none is given. FALSE when the port is no number from 1 to
// 65535 or the address does not fit.
BOOL SplitServerAddress(CONST_STRPTR adr, char *host, size_t hostSize, UWORD *port);
