#include "Tavrin.h"

LONG gb_DoMessage;

// Stand-ins: the automatic news check is built by its own change.
LONG CheckToNews(LONG)
{
    return 0;
}
void CheckToAllNews() { }

// Showing a channel marks it as seen: its timestamp moves up to the newest entry and its flag
// leaves the dock state, which the dock's thread reads meanwhile. Channel 2 has neither.
void MarkChannelSeen(LONG side)
{
    if (side != Kestrel_german && side != Kestrel_english)
        return;
    gb_TS[side] = GetMaxTS(&gb_List[side], gb_TS[side]);
    LONG flag = side == Kestrel_german ? State_german : State_english;
    if (TavrinDockyData *dd = gb_DockyData.load()) {
        LONG state = dd->state.load();
        while ((state & flag) && !dd->state.compare_exchange_weak(state, state - flag)) { }
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
    if (getNewsInternal(gb_Buffer[side], side) && ParseNewsfile(&gb_List[side], gb_Buffer[side], side)) {
        MarkChannelSeen(side);
        SaveTimestamp();
    }
    gui::SetBusyPointer(gb_WindowObj, false);
    gui::SetListBrowserLabels(gb_NewslistGad, &gb_List[side], -1);
}
