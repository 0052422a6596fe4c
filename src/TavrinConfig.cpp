#include "Tavrin.h"

// Stand-in: the settings files are built by the settings-files change.

TavrinPrefs gb_PrefsData;
LONG gb_WinLeft, gb_WinTop, gb_WinWidth, gb_WinHeight;
std::atomic<ULONG> gb_Intervall {0};
ULONG gb_TS[Arsschanel_max];

BOOL LoadConfig()
{
    return FALSE;
}
BOOL SaveConfig()
{
    return TRUE;
}
BOOL LoadTimestamp()
{
    return FALSE;
}
BOOL SaveTimestamp()
{
    return TRUE;
}
void SetIntervall() { }
