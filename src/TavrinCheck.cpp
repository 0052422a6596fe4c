#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Tavrin.h"
#include "TavrinCause.h"
#include "TavrinFeedHttp.h"
#include "TavrinLocale.h"
#include "TavrinSeams.h"
#include "platform/dos.h"
#include "platform/notify.h"

LONG gb_DoMessage;

const TavrinDownloads gb_RealDownloads = {getNewsInternal, getFeedInternal};
TavrinDownloads gb_Downloads = gb_RealDownloads;

// The news check's debug lines (the PARSER debug word).
__attribute__((format(printf, 1, 2))) static void CheckDebug(CONST_STRPTR fmt, ...)
{
    if (!(gb_Debug & DEBUG_PARSER))
        return;
    char line[160];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    dos::PutStr(line);
}

// The dock state; the dock's thread reads it to pick its picture.
static LONG GetDockState()
{
    TavrinDockyData *dd = gb_DockyData.load();
    return dd ? dd->state.load() : State_none;
}

static void SetDockState(LONG state)
{
    if (TavrinDockyData *dd = gb_DockyData.load())
        dd->state.store(state);
}

static CONST_STRPTR ChannelName(LONG side)
{
    return side == Kestrel_german ? "german" : side == Kestrel_english ? "english" : "???";
}

// A channel given by the address of a feed is fetched and read as one; the others get their fixed
// request and the news parser.
static BOOL FetchChannel(LONG side)
{
    return IsFeedChannel(side) ? gb_Downloads.Feed(side) : gb_Downloads.News(gb_Buffer[side], side);
}

static ULONG FetchedLength(LONG side)
{
    return IsFeedChannel(side) ? gb_Feed[side].length : static_cast<ULONG>(strlen(gb_Buffer[side]));
}

// Parses the channel's received text into its list. The news parser cuts the fields out of the text
// with NULs, and a feed keeps a copy of its own, so the buffer is good for nothing afterwards: its
// memory goes back to the system until the next download of the channel fills it again.
static BOOL ParseChannel(LONG side)
{
    const BOOL parsed
        = IsFeedChannel(side) ? ParseFeedChannel(side) : ParseNewsfile(&gb_List[side], gb_Buffer[side], side);
    exec::DiscardMemory(gb_Buffer[side], gb_RSSBufSize + 1);
    return parsed;
}

// Downloads and parses the channel into its emptied list; 1 when it holds an entry newer than the
// channel's timestamp, 0 when not (always for the third channel), -1 when the download failed.
static LONG RebuildChannel(LONG side)
{
    FreigebenList(&gb_List[side]);
    if (!FetchChannel(side))
        return -1;
    CheckDebug("  parse %ld bytes ...\n", static_cast<long>(FetchedLength(side)));
    ParseChannel(side);
    if (side != Kestrel_german && side != Kestrel_english)
        return 0;
    CheckDebug("  analyse oldts=%ld ...\n", static_cast<long>(gb_TS[side]));
    LONG result = GetMaxTS(&gb_List[side], gb_TS[side]) > gb_TS[side] ? 1 : 0;
    CheckDebug("  completed\n");
    return result;
}

LONG CheckToNews(LONG side)
{
    CheckDebug("AutoCheck %s News ...\n", ChannelName(side));
    LONG result = -1;
    if (side >= 0 && side < Arsschanel_max) {
        // The list browser may be showing this list: it must not see the records while they are
        // freed and rebuilt, and gets the new list back with nothing selected.
        BOOL shown = gb_NewslistGad && gui::ListBrowserLabels(gb_NewslistGad) == &gb_List[side];
        if (shown)
            gui::SetListBrowserLabels(gb_NewslistGad, nullptr, -1);
        result = RebuildChannel(side);
        if (shown)
            gui::SetListBrowserLabels(gb_NewslistGad, &gb_List[side], -1);
    }
    CheckDebug("  return %ld\n", static_cast<long>(result));
    return result;
}

static CONST_STRPTR AnnouncementText(LONG message)
{
    switch (message) {
    case 1:
        return GetString(TX_NewGermanNews);
    case 2:
        return GetString(TX_NewEnglishNews);
    case 3:
        return GetString(TX_NewGerEngNews);
    default:
        return nullptr;
    }
}

// Sound, notification and requester, in this order, as the settings ask.
static void Announce(LONG message)
{
    CONST_STRPTR text = AnnouncementText(message);
    if (!text)
        return;
    PlaySample();
    if (gb_PrefsData.Ringhio) {
        CONST_STRPTR failure = notify::Notify(gb_AppID, GetString(TX_RinghioTitle), text);
        if (failure && (gb_Debug & DEBUG_GUI))
            dos::Printf("Ringhio: %s\n", failure);
    }
    if (gb_PrefsData.Request == 2 || (gb_PrefsData.Request == 1 && gb_Win))
        DisplayRequester(REQType_Info, text, GetString(TX_Ok));
}

// Downloads the watched channels with the busy pointer on an open window: the window repaints but
// takes no input meanwhile. Returns the German and English results (0 for a channel not watched).
static void CheckWatchedChannels(LONG *german, LONG *english)
{
    UBYTE lang = gb_PrefsData.Checklang;
    gui::Object *busy = gb_Win ? gb_WindowObj : nullptr;
    if (busy)
        gui::SetBusyPointer(busy, true);
    *german = lang == 0 || lang == 2 ? CheckToNews(Kestrel_german) : 0;
    *english = lang == 1 || lang == 2 ? CheckToNews(Kestrel_english) : 0;
    if (busy)
        gui::SetBusyPointer(busy, false);
}

// The automatic check. Only the news flags of states 0 to 3 carry over; a check that starts in the
// check or no-network state starts from no flags, so news announced before a failure are announced
// again. A result of 0 never clears a flag: only showing the channel does.
void CheckToAllNews()
{
    LONG oldstate = GetDockState();
    if (oldstate < State_none || oldstate > State_ge)
        oldstate = State_none;
    SetDockState(State_check);

    LONG german = 0, english = 0;
    CheckWatchedChannels(&german, &english);
    CheckDebug("german news: %ld  english news: %ld\n\n", static_cast<long>(german), static_cast<long>(english));
    if (german == -1 || english == -1) {
        CheckDebug("Netzwerk gestört !\n");
        SetDockState(State_nonet);
        return;
    }
    NoteGoodCheck();

    CheckDebug("\noldstate = %d\n", static_cast<int>(oldstate));
    BOOL newGerman = german == 1 && !(oldstate & State_german);
    BOOL newEnglish = english == 1 && !(oldstate & State_english);
    if (newGerman)
        CheckDebug("  -->>> neue deutsche !\n");
    if (newEnglish)
        CheckDebug("  -->>> neue english !\n");
    gb_DoMessage = (newGerman ? 1 : 0) + (newEnglish ? 2 : 0);
    CheckDebug("  DoMessage = %ld\n", static_cast<long>(gb_DoMessage));
    LONG newstate = oldstate | (german == 1 ? State_german : 0) | (english == 1 ? State_english : 0);
    SetDockState(newstate);
    CheckDebug("newstate = %ld\n", static_cast<long>(newstate));
    Announce(gb_DoMessage);
}

// Showing a channel marks it as seen: its timestamp moves up to the newest entry and its flag
// leaves the dock state, which the dock's thread reads meanwhile. Channel 2 has neither, and the
// check and no-network states carry no flags to clear.
void MarkChannelSeen(LONG side)
{
    if (side != Kestrel_german && side != Kestrel_english)
        return;
    gb_TS[side] = GetMaxTS(&gb_List[side], gb_TS[side]);
    LONG flag = side == Kestrel_german ? State_german : State_english;
    if (TavrinDockyData *dd = gb_DockyData.load()) {
        LONG state = dd->state.load();
        while (state <= State_ge && (state & flag) && !dd->state.compare_exchange_weak(state, state - flag)) { }
    }
}

void RenewList(LONG side)
{
    if (side < 0 || side >= Arsschanel_max)
        return;
    // The list browser must never show records that are being freed.
    gui::SetListBrowserLabels(gb_NewslistGad, nullptr, -1);
    FreigebenList(&gb_List[side]);
    gui::SetBusyPointer(gb_WindowObj, true);
    const BOOL fetched = FetchChannel(side);
    if (fetched && ParseChannel(side)) {
        MarkChannelSeen(side);
        SaveTimestamp();
    }
    // The fixed request's download has shown its own requesters; a feed's failure is told here, to the
    // user who asked for the reload, while an automatic check only shows it in the dock.
    if (!fetched && gb_Win && IsFeedChannel(side))
        ShowFeedFailure(side);
    gui::SetBusyPointer(gb_WindowObj, false);
    gui::SetListBrowserLabels(gb_NewslistGad, &gb_List[side], -1);
}
