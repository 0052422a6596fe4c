#include <cstring>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "TavrinSeams.h"
#include "platform/application.h"
#include "platform/dos.h"

// The program's single event loop. Everything outside reaches it through break signals, the public
// port and the application port; the window's input is drained first in every pass.

constexpr ULONG MENU_About = gui::FULLMENUNUM(0, 0, 31);
constexpr ULONG MENU_Quit = gui::FULLMENUNUM(0, 1, 31);
static_assert(MENU_About == 0xF800 && MENU_Quit == 0xF820);

// The hidden key sequence that shows the third channel: K, R, then Ctrl+V (raw key codes).
constexpr ULONG HiddenKey1 = 0x27;
constexpr ULONG HiddenKey2 = 0x13;
constexpr ULONG HiddenKey3 = 0x34;
constexpr ULONG HiddenQual3 = gui::IEQUALIFIER_CONTROL;
// Releases and the modifier keys themselves are not key presses of the sequence.
constexpr ULONG IECODE_UP_PREFIX = 0x80;
constexpr ULONG RAWKEY_FirstModifier = 0x60;
constexpr ULONG RAWKEY_LastModifier = 0x67;

const TavrinLoopActions gb_RealLoopActions = {RenewList, DoSettings, ShowLink, ReportLink, DoSnapshot, CheckToAllNews};
TavrinLoopActions gb_LoopActions = gb_RealLoopActions;

struct LoopState {
    BOOL laufen;
    ULONG sigs;
    ULONG step;
};

static void ShowEmptyList()
{
    gui::SetListBrowserLabels(gb_NewslistGad, nullptr, -1);
}

// Marks channel `ch` (0 or 1) as seen, shows its list and saves the timestamps.
static void ShowChannel(LONG ch)
{
    MarkChannelSeen(ch);
    gui::SetListBrowserLabels(gb_NewslistGad, &gb_List[ch], -1);
    SaveTimestamp();
}

static void ShowOpenshowChannel()
{
    switch (gb_PrefsData.Openshow) {
    case 0:
        ShowChannel(Kestrel_german);
        break;
    case 1:
        ShowChannel(Kestrel_english);
        break;
    default:
        ShowEmptyList();
        break;
    }
}

static BOOL AnyListEmpty()
{
    return exec::IsListEmpty(&gb_List[Kestrel_german]) || exec::IsListEmpty(&gb_List[Kestrel_english]);
}

void CheckNewsAtStart()
{
    if (!gb_Win)
        return;
    switch (gb_PrefsData.Checklang) {
    case 0:
        gb_LoopActions.RenewList(Kestrel_german);
        break;
    case 1:
        gb_LoopActions.RenewList(Kestrel_english);
        break;
    case 2:
        gb_LoopActions.RenewList(Kestrel_german);
        gb_LoopActions.RenewList(Kestrel_english);
        break;
    default:
        break;
    }
    ShowOpenshowChannel();
}

void DoIconify()
{
    if (gui::WM_ICONIFY(gb_WindowObj))
        gb_Win = nullptr;
    else
        dos::PutStr("Can not iconify window :-(\n");
}

static void ShowAbout()
{
    DisplayRequester(REQType_Info,
        "Kestrel Review Omni AmigaOS 4\n%s %s (%s)\n\n%s %s\n\n%s: %s\n%s: %s\n%s: %s\n%s\n%s", GetString(TX_Ok),
        "Tavrin", "1.05", "28.10.2019", "Freeware", "\xC2\xA9 2019 Tavrin-Team", GetString(TX_Info_Program),
        "Lena Brandt", GetString(TX_Info_Graphics), "Tomas Wiik", GetString(TX_Info_Samples), "Mara Okafor",
        GetString(TX_Info_Catalog), "https://kestrel-review.example/tavrin");
}

// Quit menu item and quit messages: the position is kept, an open window closed, the loop ends.
static void QuitProgram(LoopState *ls)
{
    if (gb_PrefsData.Savewin)
        gb_LoopActions.DoSnapshot();
    if (gb_Win)
        gui::WM_CLOSE(gb_WindowObj);
    gb_Win = nullptr;
    ls->laufen = FALSE;
}

static void CloseMainWindow(LoopState *ls)
{
    if (gb_PrefsData.Savewin)
        gb_LoopActions.DoSnapshot();
    gui::WM_CLOSE(gb_WindowObj);
    gb_Win = nullptr;
    // Without a dock icon nothing could bring the window back.
    if (gb_Iconify)
        ls->laufen = FALSE;
}

static void UniconifyMainWindow(LoopState *ls)
{
    gb_Win = gui::WM_OPEN(gb_WindowObj);
    if (gb_Win) {
        if (AnyListEmpty())
            CheckNewsAtStart();
    } else {
        dos::PutStr("Can not reopen window :-(\n");
        ls->laufen = FALSE;
    }
}

static void HandleGadget(ULONG id)
{
    switch (id) {
    case GID_Deutsch:
        if (gb_PrefsData.Checklang == 0 || gb_PrefsData.Checklang == 2)
            ShowChannel(Kestrel_german);
        else
            gb_LoopActions.RenewList(Kestrel_german);
        break;
    case GID_English:
        if (gb_PrefsData.Checklang == 1 || gb_PrefsData.Checklang == 2)
            ShowChannel(Kestrel_english);
        else
            gb_LoopActions.RenewList(Kestrel_english);
        break;
    case GID_Prefs:
        gb_LoopActions.DoSettings();
        break;
    case GID_Newslist:
        if (gui::ListBrowserRelEvent(gb_NewslistGad) == gui::LBRE_DOUBLECLICK)
            gb_LoopActions.ShowLink();
        break;
    case GID_Show:
        gb_LoopActions.ShowLink();
        break;
    case GID_Report:
        gb_LoopActions.ReportLink();
        break;
    default:
        break;
    }
}

static void HandleMenu(ULONG number, LoopState *ls)
{
    if (number == MENU_About)
        ShowAbout();
    else if (number == MENU_Quit)
        QuitProgram(ls);
}

static void HandleRawKey(ULONG key, ULONG qual, LoopState *ls)
{
    if ((key & IECODE_UP_PREFIX) || (key >= RAWKEY_FirstModifier && key <= RAWKEY_LastModifier))
        return;
    if (ls->step == 0 && key == HiddenKey1 && qual == 0) {
        ls->step = 1;
    } else if (ls->step == 1 && key == HiddenKey2 && qual == 0) {
        ls->step = 2;
    } else if (ls->step == 2 && key == HiddenKey3 && qual == HiddenQual3) {
        gb_LoopActions.RenewList(VEdod_german);
    } else {
        ls->step = 0;
    }
}

static void HandleWindowInput(LoopState *ls)
{
    ULONG result;
    while ((result = gui::WM_HANDLEINPUT(gb_WindowObj)) != gui::WMHI_LASTMSG) {
        switch (result & gui::WMHI_CLASSMASK) {
        case gui::WMHI_GADGETUP:
            HandleGadget(result & gui::WMHI_GADGETMASK);
            break;
        case gui::WMHI_MENUPICK:
            HandleMenu(result & gui::WMHI_MENUMASK, ls);
            break;
        case gui::WMHI_CLOSEWINDOW:
            CloseMainWindow(ls);
            break;
        case gui::WMHI_ICONIFY:
            DoIconify();
            break;
        case gui::WMHI_UNICONIFY:
            UniconifyMainWindow(ls);
            break;
        case gui::WMHI_RAWKEY:
            HandleRawKey(result & gui::WMHI_KEYMASK, gui::WindowInputQualifier(gb_WindowObj), ls);
            break;
        default:
            break;
        }
    }
}

// A "wakeup" message calls the window up. The pass keeps its other signals, so a quit that
// arrives in the same wake-up is not lost.
static void HandlePublicPort(LoopState *ls)
{
    while (exec::Message *msg = exec::GetMsg(gb_AppPort)) {
        if (msg->mn_Node.ln_Name && std::strcmp(msg->mn_Node.ln_Name, "wakeup") == 0)
            ls->sigs |= SIGBREAKF_CTRL_F;
        exec::ReplyMsg(msg);
    }
}

static void HandleApplicationPort(LoopState *ls)
{
    while (exec::Message *msg = exec::GetMsg(gb_DockPort)) {
        if (msg->type == application::APPLIBMT_Quit || msg->type == application::APPLIBMT_ForceQuit)
            QuitProgram(ls);
        exec::ReplyMsg(msg);
    }
}

static void OpenOrRaiseWindow()
{
    if (gb_Win) {
        gui::WindowToFront(gb_Win);
        gui::ActivateWindow(gb_Win);
        return;
    }
    gb_Win = gui::WM_OPEN(gb_WindowObj);
    if (!gb_Win)
        return;
    if (AnyListEmpty())
        CheckNewsAtStart();
    ShowOpenshowChannel();
}

void MsgLoop()
{
    LoopState ls = {TRUE, 0, 0};
    // The window's bit stays in the wait set in every state: on this host an iconified window is
    // restored through its input queue, and a closed window queues nothing.
    ULONG winsig = gui::WindowSigMask(gb_WindowObj);
    ULONG mask = exec::PortSigMask(gb_DockPort) | exec::PortSigMask(gb_AppPort) | winsig | SIGBREAKF_CTRL_C
        | SIGBREAKF_CTRL_E | SIGBREAKF_CTRL_F;

    while (ls.laufen) {
        ls.sigs = exec::Wait(mask);
        HandleWindowInput(&ls);
        HandlePublicPort(&ls);
        HandleApplicationPort(&ls);
        if (ls.sigs & SIGBREAKF_CTRL_C)
            ls.laufen = FALSE;
        if (ls.sigs & SIGBREAKF_CTRL_E)
            gb_LoopActions.CheckToAllNews();
        if (ls.sigs & SIGBREAKF_CTRL_F)
            OpenOrRaiseWindow();
    }
}
