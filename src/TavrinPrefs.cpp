#include <cstring>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/autostart.h"
#include "platform/dos.h"
#include "platform/exec.h"

// The settings window: built anew for every visit, run as a modal loop of its own and torn down when
// it closes. The record changes only on Save; Snapshot and Unsnapshot change the geometry at once.

gui::Object *gb_PrefsWindowObj;
gui::Window *gb_PrefsWin;
gui::Object *gb_PrefsMainLayout;
gui::Object *gb_ChecklangGad, *gb_IntervalGad, *gb_RequestGad, *gb_SampleGad, *gb_RinghioGad, *gb_BrowserGad,
    *gb_AnzeigeGad, *gb_OpenshowGad, *gb_SavewinGad, *gb_SnapshotGad, *gb_UnsnapshotGad, *gb_SaveGad, *gb_CancelGad;
gui::Object *gb_AutostartGad;

// Chooser items in index order (the index is what the record stores), each list ending with null.
CONST_STRPTR gb_Checklang[4];
CONST_STRPTR gb_Interval[7];
CONST_STRPTR gb_Request[4];
CONST_STRPTR gb_Openshow[4];
CONST_STRPTR gb_Anzeige[3];

// Systems older than this exec version cannot show notifications.
constexpr UWORD RinghioExecVersion = 53;
constexpr LONG ButtonMinHeight = 30;

static gui::Object **const gb_PrefsGadgets[] = {&gb_ChecklangGad, &gb_IntervalGad, &gb_RequestGad, &gb_SampleGad,
    &gb_RinghioGad, &gb_BrowserGad, &gb_AnzeigeGad, &gb_OpenshowGad, &gb_AutostartGad, &gb_SavewinGad, &gb_SnapshotGad,
    &gb_UnsnapshotGad, &gb_SaveGad, &gb_CancelGad};

// The catalog numbers of a list's items follow one another.
static void FillChooserList(CONST_STRPTR *list, LONG first, int count)
{
    for (int i = 0; i < count; i++)
        list[i] = GetString(first + i);
    list[count] = nullptr;
}

static void FillChooserLists()
{
    FillChooserList(gb_Checklang, TX_PGad_Checklang1, 3);
    FillChooserList(gb_Interval, TX_PGad_Interval1, 6);
    FillChooserList(gb_Request, TX_PGad_Request1, 3);
    FillChooserList(gb_Openshow, TX_PGad_Openshow1, 3);
    FillChooserList(gb_Anzeige, TX_PGad_Anzeige1, 2);
}

static void CreatePrefsGadgets()
{
    gb_ChecklangGad = gui::NewChooser(GID_Checklang, gb_Checklang);
    gb_IntervalGad = gui::NewChooser(GID_Interval, gb_Interval);
    gb_OpenshowGad = gui::NewChooser(GID_Openshow, gb_Openshow);
    gb_AutostartGad = gui::NewCheckBox(GID_Autostart, GetString(TX_PGad_Autostart));
    gb_RequestGad = gui::NewChooser(GID_Request, gb_Request);
    gb_SampleGad = gui::NewGetFile(GID_Sample, GetString(TX_SelectSample));
    gb_RinghioGad = gui::NewCheckBox(GID_Ringhio, GetString(TX_PGad_Ringhio2));
    gb_BrowserGad = gui::NewGetFile(GID_Browser, GetString(TX_SelectBrowser));
    gb_AnzeigeGad = gui::NewChooser(GID_Anzeige, gb_Anzeige);
    gb_SavewinGad = gui::NewCheckBox(GID_Savewin, GetString(TX_PGad_AutosaveWin));
    gb_SnapshotGad = gui::NewButton(GID_Snapshot, GetString(TX_PGad_SnapshotWin));
    gb_UnsnapshotGad = gui::NewButton(GID_Unsnapshot, GetString(TX_PGad_UnsnapshotWin));
    gb_SaveGad = gui::NewButton(GID_Save, GetString(TX_PGad_Save));
    gb_CancelGad = gui::NewButton(GID_Cancel, GetString(TX_PGad_Cancel));
}

static gui::LayoutMember Labelled(gui::Object *gadget, LONG label)
{
    return {gadget, 0, gui::NewLabel(GetString(label)), 0};
}

// A framed group with its title, members one under the other with their labels on the left.
static gui::Object *LabelledGroup(LONG title, const gui::LayoutMember *members, int count)
{
    gui::LayoutSpec group = {true, true, true, false, 0, 0, 0};
    group.title = GetString(title);
    return gui::NewLayout(group, members, count);
}

// Every gadget goes into exactly one group and every group into the outer one, so a failure anywhere
// disposes all that was made.
static gui::Object *CreatePrefsLayout()
{
    const gui::LayoutMember check[]
        = {Labelled(gb_ChecklangGad, TX_PGad_Checklang), Labelled(gb_IntervalGad, TX_PGad_Intervall),
            Labelled(gb_OpenshowGad, TX_PGad_Openshow), {gb_AutostartGad, 0, nullptr, 0}};
    const gui::LayoutMember news[] = {Labelled(gb_RequestGad, TX_PGad_Request), Labelled(gb_SampleGad, TX_PGad_Sample),
        Labelled(gb_RinghioGad, TX_PGad_Ringhio), Labelled(gb_BrowserGad, TX_PGad_Browser),
        Labelled(gb_AnzeigeGad, TX_PGad_Anzeige)};
    gui::Object *checkGroup = LabelledGroup(TX_PGad_GroupCheck, check, 4);
    gui::Object *newsGroup = LabelledGroup(TX_PGad_GroupNews, news, 5);

    gui::LayoutSpec winSpec = {false, true, true, false, 0, 0, 0};
    winSpec.title = GetString(TX_PGad_GroupWin);
    const gui::LayoutMember win[] = {{gb_SavewinGad, 1, nullptr, 0}, {gb_SnapshotGad, 1, nullptr, ButtonMinHeight},
        {gb_UnsnapshotGad, 1, nullptr, ButtonMinHeight}};
    gui::Object *winGroup = gui::NewLayout(winSpec, win, 3);

    gui::LayoutSpec rowSpec = {false, true, true, false, 10, 10, 0};
    rowSpec.topSpacing = 10;
    const gui::LayoutMember buttons[]
        = {{gb_SaveGad, 1, nullptr, ButtonMinHeight}, {gb_CancelGad, 1, nullptr, ButtonMinHeight}};
    gui::Object *row = gui::NewLayout(rowSpec, buttons, 2);

    const gui::LayoutSpec outer = {true, true, true, false, 5, 5, 0};
    const gui::LayoutMember groups[]
        = {{checkGroup, 10, nullptr, 0}, {newsGroup, 10, nullptr, 0}, {winGroup, 1, nullptr, 0}, {row, 0, nullptr, 0}};
    return gui::NewLayout(outer, groups, 4);
}

static void ForgetPrefsGadgets()
{
    for (gui::Object **gadget : gb_PrefsGadgets)
        *gadget = nullptr;
}

BOOL CreateAllPrefsObjects()
{
    FillChooserLists();
    CreatePrefsGadgets();
    gb_PrefsMainLayout = CreatePrefsLayout();
    if (!gb_PrefsMainLayout) {
        ForgetPrefsGadgets();
        DisplayRequester(REQType_Error, GetString(ERR_CanNotCreatePrefswin), GetString(TX_Ok));
        return FALSE;
    }
    gui::WindowSpec desc = {};
    desc.title = GetString(TX_PrefswinTitle);
    desc.layout = gb_PrefsMainLayout;
    desc.dialog = true;
    gb_PrefsWindowObj = gui::NewWindowObject(desc);
    if (!gb_PrefsWindowObj) {
        // The layout and its gadgets went with the window that could not be made.
        gb_PrefsMainLayout = nullptr;
        ForgetPrefsGadgets();
    }
    return gb_PrefsWindowObj ? TRUE : FALSE;
}

void DestroyAllPrefsObjects()
{
    if (gb_PrefsWindowObj)
        gui::DisposeObject(gb_PrefsWindowObj);
    gb_PrefsWindowObj = nullptr;
    gb_PrefsMainLayout = nullptr;
    ForgetPrefsGadgets();
}

void SetPrefsVal()
{
    gui::SetGadgetAttr(gb_ChecklangGad, gui::CHOOSER_Selected, gb_PrefsData.Checklang);
    gui::SetGadgetAttr(gb_IntervalGad, gui::CHOOSER_Selected, gb_PrefsData.Interval);
    gui::SetGadgetAttr(gb_RequestGad, gui::CHOOSER_Selected, gb_PrefsData.Request);
    gui::SetGetFilePath(gb_SampleGad, gb_PrefsData.Sample);
    gui::SetGadgetAttr(gb_RinghioGad, gui::GA_Selected, gb_PrefsData.Ringhio != 0);
    gui::SetGetFilePath(gb_BrowserGad, gb_PrefsData.Browser);
    gui::SetGadgetAttr(gb_AnzeigeGad, gui::CHOOSER_Selected, gb_PrefsData.Anzeige);
    gui::SetGadgetAttr(gb_OpenshowGad, gui::CHOOSER_Selected, gb_PrefsData.Openshow);
    gui::SetGadgetAttr(gb_SavewinGad, gui::GA_Selected, gb_PrefsData.Savewin != 0);
    gui::SetGadgetAttr(gb_AutostartGad, gui::GA_Selected, autostart::Exists());
}

void GetPrefsVal()
{
    gb_PrefsData.Checklang = UBYTE(gui::GetGadgetAttr(gb_ChecklangGad, gui::CHOOSER_Selected));
    gb_PrefsData.Interval = UBYTE(gui::GetGadgetAttr(gb_IntervalGad, gui::CHOOSER_Selected));
    gb_PrefsData.Request = UBYTE(gui::GetGadgetAttr(gb_RequestGad, gui::CHOOSER_Selected));
    Strlcpy(gb_PrefsData.Sample, gui::GetFilePath(gb_SampleGad), sizeof(gb_PrefsData.Sample));
    gb_PrefsData.Ringhio = gui::GetGadgetAttr(gb_RinghioGad, gui::GA_Selected) ? TRUE : FALSE;
    Strlcpy(gb_PrefsData.Browser, gui::GetFilePath(gb_BrowserGad), sizeof(gb_PrefsData.Browser));
    gb_PrefsData.Anzeige = UBYTE(gui::GetGadgetAttr(gb_AnzeigeGad, gui::CHOOSER_Selected));
    gb_PrefsData.Openshow = UBYTE(gui::GetGadgetAttr(gb_OpenshowGad, gui::CHOOSER_Selected));
    gb_PrefsData.Savewin = gui::GetGadgetAttr(gb_SavewinGad, gui::GA_Selected) ? TRUE : FALSE;
    SetIntervall();
}

// A path chosen in the file requester that does not fit the record's field of `size` bytes would be cut
// into another path: it is refused with a word, and the gadget keeps the path it had.
static void RequestPath(gui::Object *gadget, ULONG size)
{
    char old[sizeof(gb_PrefsData.Sample)];
    static_assert(sizeof(gb_PrefsData.Sample) == sizeof(gb_PrefsData.Browser));
    Strlcpy(old, gui::GetFilePath(gadget), sizeof(old));
    gui::RequestFile(gadget, gb_PrefsWin);
    if (strlen(gui::GetFilePath(gadget)) < size)
        return;
    DisplayRequester(REQType_Error, GetString(ERR_PathTooLong), GetString(TX_Ok), static_cast<long>(size - 1));
    gui::SetGetFilePath(gadget, old);
}

// Makes the autostart entry follow the box. Only a change is acted on, so that an entry the user has
// edited stays as it is while the box stays on.
static void SaveAutostart()
{
    const bool wanted = gui::GetGadgetAttr(gb_AutostartGad, gui::GA_Selected) != 0;
    if (wanted == autostart::Exists() || (wanted ? autostart::Enable() : autostart::Disable()))
        return;
    char path[512], reason[600];
    autostart::EntryPath(path, sizeof path);
    dos::Fault(dos::IoErr(), path, reason, sizeof reason);
    DisplayRequester(REQType_Error, GetString(wanted ? ERR_CanNotWriteAutostart : ERR_CanNotRemoveAutostart),
        GetString(TX_Ok), reason);
}

// Acts on one released gadget; FALSE once Save or Cancel ends the visit.
static BOOL HandlePrefsGadget(ULONG id, BOOL *result)
{
    switch (id) {
    case GID_Sample:
        RequestPath(gb_SampleGad, sizeof(gb_PrefsData.Sample));
        break;
    case GID_Browser:
        RequestPath(gb_BrowserGad, sizeof(gb_PrefsData.Browser));
        break;
    case GID_Snapshot:
        DoSnapshot();
        break;
    case GID_Unsnapshot:
        DoUnsnapshot();
        break;
    case GID_Save:
        *result = TRUE;
        return FALSE;
    case GID_Cancel:
        return FALSE;
    default:
        break;
    }
    return TRUE;
}

// Waits on the window's signal alone: everything else stays pending until the window has closed.
BOOL PrefsMsgLoop()
{
    BOOL result = FALSE;
    gb_PrefsWin = gui::WM_OPEN(gb_PrefsWindowObj);
    if (!gb_PrefsWin)
        return FALSE;
    const ULONG winsig = gui::WindowSigMask(gb_PrefsWindowObj);
    BOOL laufen = TRUE;
    while (laufen) {
        exec::Wait(winsig);
        ULONG input;
        while ((input = gui::WM_HANDLEINPUT(gb_PrefsWindowObj)) != gui::WMHI_LASTMSG) {
            if ((input & gui::WMHI_CLASSMASK) == gui::WMHI_GADGETUP
                && !HandlePrefsGadget(input & gui::WMHI_GADGETMASK, &result))
                laufen = FALSE;
            // The window has no close gadget: the host closes it only for a quit from outside
            // (log-out), which must not wait for the user. That ends the visit as Cancel does.
            if ((input & gui::WMHI_CLASSMASK) == gui::WMHI_CLOSEWINDOW)
                laufen = FALSE;
        }
    }
    gui::WM_CLOSE(gb_PrefsWindowObj);
    gb_PrefsWin = nullptr;
    return result;
}

void DoSettings()
{
    gui::SetBusyPointer(gb_WindowObj, true);
    if (CreateAllPrefsObjects()) {
        SetPrefsVal();
        if (exec::Version() < RinghioExecVersion) {
            gui::SetGadgetAttr(gb_RinghioGad, gui::GA_Selected, FALSE);
            gui::SetGadgetAttr(gb_RinghioGad, gui::GA_Disabled, TRUE);
        }
        if (PrefsMsgLoop()) {
            GetPrefsVal();
            SaveConfig();
            SaveAutostart();
        }
    }
    DestroyAllPrefsObjects();
    gui::SetBusyPointer(gb_WindowObj, false);
}
