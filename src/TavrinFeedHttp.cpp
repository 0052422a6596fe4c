#include "TavrinFeedHttp.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "TavrinCause.h"
#include "TavrinFeed.h"
#include "TavrinHttp.h"
#include "TavrinLocale.h"
#include "platform/dos.h"
#include "platform/http.h"

FeedChannel gb_Feed[FEED_CHANNELS];
char gb_CAFile[FEED_URL_SIZE];
const char *const gb_FeedToolTypes[FEED_CHANNELS] = {"GERMANFEED", "ENGLISHFEED"};

namespace {

constexpr ULONG SECONDS_PER_DAY = 86400;

ULONG NowSeconds()
{
    dos::Stamp now;
    dos::DateStamp(&now);
    return ULONG(now.ds_Days) * SECONDS_PER_DAY + ULONG(now.ds_Minute) * 60 + ULONG(now.ds_Tick / 50);
}

// "Tavrin/1.05": the name and the number from the version cookie ("Tavrin 1.05 (date) ...").
void UserAgent(char *out, ULONG size)
{
    CONST_STRPTR name = version + 7;
    CONST_STRPTR blank = strchr(name, ' ');
    CONST_STRPTR end = blank ? strchr(blank + 1, ' ') : nullptr;
    if (!end) {
        Strlcpy(out, "Tavrin", size);
        return;
    }
    snprintf(out, size, "%.*s/%.*s", int(blank - name), name, int(end - blank - 1), blank + 1);
}

// CAFILE may name a device ("ENVARC:ca.pem") as well as a host path.
void CaFilePath(char *out, ULONG size)
{
    if (!gb_CAFile[0] || !dos::ResolvePath(gb_CAFile, out, size))
        Strlcpy(out, gb_CAFile, size);
}

LONG CertificateReason(http::CertProblem problem)
{
    switch (problem) {
    case http::CertProblem::OtherName:
        return ERR_CertOtherName;
    case http::CertProblem::UnknownIssuer:
        return ERR_CertUnknownIssuer;
    default:
        return 0;
    }
}

// The catalog text of each http::Failure, in the order of its values.
constexpr LONG kCauseTexts[]
    = {ERR_NetFailed, ERR_NetBadAddress, ERR_NetNameNotFound, ERR_NetRefused, ERR_NetUnreachable, ERR_NetTimedOut,
        ERR_NetCertificate, ERR_NetRedirect, ERR_NetTooManyRedirects, ERR_NetHttpStatus, ERR_NetBroken, ERR_NetFailed};
static_assert(sizeof kCauseTexts / sizeof kCauseTexts[0] == size_t(http::Failure::Other) + 1);

// A refused redirect is named by the address it pointed to.
NetCause CauseOf(const http::Response &r)
{
    NetCause cause {kCauseTexts[size_t(r.failure)], LONG(r.status), CertificateReason(r.problem), ""};
    Strlcpy(cause.detail, r.failure == http::Failure::Redirect ? r.url : r.detail, sizeof cause.detail);
    return cause;
}

// The requester names the channel's tool type, so that the user knows what to mend.
void ShowFeedRequester(LONG side, CONST_STRPTR words)
{
    char tooltype[FEED_URL_SIZE + 16];
    snprintf(tooltype, sizeof tooltype, "%s=%s", gb_FeedToolTypes[side], gb_Feed[side].url);
    DisplayRequester(REQType_Error, GetString(ERR_FeedNotLoaded), GetString(TX_Ok), tooltype, words);
}

// A failed download: kept for the dock and named in the debug line.
BOOL FeedFailed(const NetCause &cause)
{
    NoteFailure(cause);
    return FALSE;
}

// A 429 or 503 with Retry-After holds the channel's requests back that long, a day at most.
void Hold(FeedChannel *f, const http::Response &r, ULONG now)
{
    if ((r.status != 429 && r.status != 503) || r.retryAfter <= 0)
        return;
    const ULONG wait = r.retryAfter > long(MAX_HOLD_SECONDS) ? MAX_HOLD_SECONDS : ULONG(r.retryAfter);
    f->holdUntil = now + wait;
    f->holdStatus = LONG(r.status);
    if (gb_Debug & DEBUG_HTTP)
        dos::Printf(" Server asks to wait %lu s: no request before then\n", static_cast<unsigned long>(wait));
}

// While the server's wait lasts, the channel keeps the text of its last good answer, or its failure.
BOOL Held(LONG side, ULONG now)
{
    FeedChannel *f = &gb_Feed[side];
    if (gb_Debug & DEBUG_HTTP)
        dos::Printf(
            " Held back by the server for %lu s more: entries kept\n", static_cast<unsigned long>(f->holdUntil - now));
    return f->text ? TRUE : FeedFailed({ERR_NetHttpStatus, f->holdStatus, 0, ""});
}

// The server's text has not changed: the kept one is read again, with any new validators.
BOOL NotModified(LONG side, const http::Response &r)
{
    FeedChannel *f = &gb_Feed[side];
    if (!f->text)
        return FeedFailed({ERR_NetHttpStatus, LONG(r.status), 0, ""});
    if (r.etag[0])
        Strlcpy(f->etag, r.etag, sizeof f->etag);
    if (r.lastModified[0])
        Strlcpy(f->lastModified, r.lastModified, sizeof f->lastModified);
    if (gb_Debug & DEBUG_HTTP)
        dos::Printf(" Not modified: %lu bytes kept\n", static_cast<unsigned long>(f->length));
    return TRUE;
}

// Replaces the kept text by the body just received. A cut body is not what the server has, so it keeps
// no validators: the next check fetches the whole feed again.
BOOL KeepText(FeedChannel *f, const char *body, const http::Response &r)
{
    char *text = new (std::nothrow) char[r.length + 1];
    if (!text)
        return FALSE;
    memcpy(text, body, r.length);
    text[r.length] = 0;
    delete[] f->text;
    f->text = text;
    f->length = ULONG(r.length);
    Strlcpy(f->from, r.url, sizeof f->from);
    Strlcpy(f->etag, r.cut ? "" : r.etag, sizeof f->etag);
    Strlcpy(f->lastModified, r.cut ? "" : r.lastModified, sizeof f->lastModified);
    return TRUE;
}

} // namespace

BOOL IsFeedChannel(LONG side)
{
    return (side == Kestrel_german || side == Kestrel_english) && gb_Feed[side].url[0];
}

BOOL getFeedInternal(LONG side)
{
    if (!IsFeedChannel(side))
        return FALSE;
    FeedChannel *f = &gb_Feed[side];
    const ULONG now = NowSeconds();
    if (f->holdUntil > now)
        return Held(side, now);
    f->holdUntil = 0;

    char agent[32], caFile[FEED_URL_SIZE];
    UserAgent(agent, sizeof agent);
    CaFilePath(caFile, sizeof caFile);
    // Validators only where a kept text can stand in for the answer.
    const BOOL conditional = f->text && (f->etag[0] || f->lastModified[0]);
    if (gb_Debug & DEBUG_HTTP)
        dos::Printf(" Requesting %s%s\n", f->url, conditional ? " if changed" : "");
    const http::Request request {f->url, agent, caFile[0] ? caFile : nullptr, conditional ? f->etag : nullptr,
        conditional ? f->lastModified : nullptr};
    const http::Response r = http::Get(request, gb_Buffer[side], gb_RSSBufSize);
    Hold(f, r, now);
    if (r.failure != http::Failure::None)
        return FeedFailed(CauseOf(r));
    if (r.status == 304)
        return NotModified(side, r);
    if (r.cut) {
        if (gb_Debug & DEBUG_HTTP)
            dos::Printf(" %s: cut at %lu bytes\n", GetString(ERR_NetTooLong), static_cast<unsigned long>(r.length));
        DisplayRequester(REQType_Error, GetString(ERR_BufferToSmall), GetString(TX_Ok));
    }
    if (!KeepText(f, gb_Buffer[side], r))
        return FeedFailed({ERR_NoMemForListdata, 0, 0, ""});
    if (gb_Debug & DEBUG_HTTP) {
        dos::Printf(" Finished receiving data, %lu bytes from %s\n", static_cast<unsigned long>(f->length), f->from);
        DumpAnswer(f->text, f->length);
    }
    return TRUE;
}

BOOL ParseFeedChannel(LONG side)
{
    if (!IsFeedChannel(side) || !gb_Feed[side].text)
        return FALSE;
    const FeedChannel &f = gb_Feed[side];
    return ParseFeedfile(&gb_List[side], f.text, f.length, f.from, side);
}

void ShowFeedFailure(LONG side)
{
    char words[512];
    FormatLastFailure(words, sizeof words);
    ShowFeedRequester(side, words);
}

void CheckFeedAddresses()
{
    for (LONG side = 0; side < LONG(FEED_CHANNELS); side++) {
        if (gb_Feed[side].url[0] && !http::IsHttpAddress(gb_Feed[side].url))
            ShowFeedRequester(side, GetString(ERR_NetBadAddress));
    }
}

void FreeFeedChannels()
{
    for (FeedChannel &f : gb_Feed) {
        delete[] f.text;
        f.text = nullptr;
        f.length = 0;
        f.from[0] = f.etag[0] = f.lastModified[0] = 0;
        f.holdUntil = 0;
        f.holdStatus = 0;
    }
}
