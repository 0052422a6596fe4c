#pragma once

// Channels 0 and 1 given by the address of a feed (GERMANFEED, ENGLISHFEED): their download over HTTP or
// HTTPS, polite to the server, and what is kept between two checks.

#include "Tavrin.h"

constexpr ULONG FEED_URL_SIZE = 1024;
constexpr ULONG FEED_CHANNELS = 2; // the German and the English channel
constexpr ULONG MAX_HOLD_SECONDS = 86400; // the longest wait a server's Retry-After imposes

// What one feed channel keeps from one check to the next.
struct FeedChannel {
    char url[FEED_URL_SIZE]; // from the tool type; empty: the channel keeps the fixed request
    char from[FEED_URL_SIZE]; // where the kept text came from, after redirects
    char etag[256]; // validators of the kept text, sent back as If-None-Match / If-Modified-Since
    char lastModified[64];
    char *text; // a copy of the last body, sized to it and NUL-terminated, or null
    ULONG length;
    ULONG holdUntil; // no request before this second (since 1978, local time); 0 = none
    LONG holdStatus; // the status that asked for the wait
};

extern FeedChannel gb_Feed[FEED_CHANNELS];
extern char gb_CAFile[FEED_URL_SIZE]; // CAFILE: further CA certificates to trust, empty for none

// The tool type that names a feed channel's address.
extern const char *const gb_FeedToolTypes[FEED_CHANNELS];

// TRUE for channel 0 or 1 when its feed is given by address.
BOOL IsFeedChannel(LONG side);

// Downloads the channel's feed. TRUE when its kept text is the one to read: fresh (2xx), unchanged (304),
// or kept while the server asked to wait. FALSE when the download failed, whose cause is then kept
// (TavrinCause.h); only a body that is too long has a requester here.
BOOL getFeedInternal(LONG side);

// The requester of a failed reload: the channel's tool type and the cause of the last failure.
void ShowFeedFailure(LONG side);

// Reads the channel's kept text into its empty list; FALSE when there is none or nothing could be read.
BOOL ParseFeedChannel(LONG side);

// Shows a requester for each feed address that is not http:// or https://.
void CheckFeedAddresses();

// Forgets every kept text and validator; the addresses stay.
void FreeFeedChannels();
