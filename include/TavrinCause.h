#pragma once

// Why the last download failed and when the last check went well, kept where the dock's thread reads them
// for its tooltip, and put into words from the catalog.

#include "Tavrin.h"

// A failed download's cause: its catalog text, the HTTP status that ERR_NetHttpStatus names, the catalog
// text of a certificate's problem (0 for none) and the transport's own words (may be empty).
struct NetCause {
    LONG text;
    LONG status;
    LONG reason;
    char detail[256];
};

// The last failed download's cause (text 0 before the first failure), and the minute of the last check
// whose downloads all went well: days since 1978 × 1440 + minute of the day in local time, 0 before the
// first one. The program task writes them, the dock's thread reads them.
extern std::atomic<LONG> gb_NetCause, gb_NetStatus, gb_NetReason;
extern std::atomic<LONG> gb_LastCheck;

// "<text>", "<text> (<reason>)", each followed by ": <detail>" when a detail is given and not empty.
void FormatCause(char *out, ULONG size, LONG text, LONG status, LONG reason, CONST_STRPTR detail);

// Keeps the cause for the dock and for FormatLastFailure, and names it, with its detail, in an HTTP
// debug line.
void NoteFailure(const NetCause &cause);

// The cause of the last failed download with its detail, for a requester.
void FormatLastFailure(char *out, ULONG size);

// A check whose downloads all went well: its time for the dock.
void NoteGoodCheck();

// The tooltip line of the last good check (TX_DockLastCheck with its local time as HH:MM), or
// TX_DockNotChecked before the first one.
void FormatLastCheck(char *out, ULONG size);
