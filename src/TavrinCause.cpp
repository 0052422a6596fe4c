#include "TavrinCause.h"

#include <cstdio>
#include <cstring>

#include "TavrinLocale.h"
#include "platform/dos.h"

std::atomic<LONG> gb_NetCause {0}, gb_NetStatus {0}, gb_NetReason {0};
std::atomic<LONG> gb_LastCheck {0};

static constexpr LONG MINUTES_PER_DAY = 1440;

// The last failure with its detail, for the program task alone.
static NetCause gLastFailure;

// Catalog texts are formats only where their default is one: the catalog reader refuses a translation
// whose conversions differ from the default's.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void FormatCause(char *out, ULONG size, LONG text, LONG status, LONG reason, CONST_STRPTR detail)
{
    int n = text == ERR_NetHttpStatus ? snprintf(out, size, GetString(text), static_cast<long>(status))
                                      : snprintf(out, size, "%s", GetString(text));
    if (reason && n >= 0 && ULONG(n) < size)
        n += snprintf(out + n, size - ULONG(n), " (%s)", GetString(reason));
    if (detail && *detail && n >= 0 && ULONG(n) < size)
        snprintf(out + n, size - ULONG(n), ": %s", detail);
}

void FormatLastCheck(char *out, ULONG size)
{
    const LONG at = gb_LastCheck.load();
    if (!at) {
        Strlcpy(out, GetString(TX_DockNotChecked), size);
        return;
    }
    char when[8];
    const LONG minute = at % MINUTES_PER_DAY;
    snprintf(when, sizeof when, "%02ld:%02ld", static_cast<long>(minute / 60), static_cast<long>(minute % 60));
    snprintf(out, size, GetString(TX_DockLastCheck), when);
}
#pragma GCC diagnostic pop

void FormatLastFailure(char *out, ULONG size)
{
    FormatCause(out, size, gLastFailure.text, gLastFailure.status, gLastFailure.reason, gLastFailure.detail);
}

void NoteFailure(const NetCause &cause)
{
    gLastFailure = cause;
    gb_NetStatus.store(cause.status);
    gb_NetReason.store(cause.reason);
    gb_NetCause.store(cause.text);
    if (!(gb_Debug & DEBUG_HTTP))
        return;
    char words[512];
    FormatLastFailure(words, sizeof words);
    dos::Printf(" Download failed: %s\n", words);
}

void NoteGoodCheck()
{
    dos::Stamp now;
    dos::DateStamp(&now);
    gb_LastCheck.store(now.ds_Days * MINUTES_PER_DAY + now.ds_Minute);
}
