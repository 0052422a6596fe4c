#include <cstdint>
#include <new>

#include "Tavrin.h"
#include "TavrinFeedHttp.h"
#include "TavrinLocale.h"

// The main window: built once at start-up, opened and closed by the event loop, released at shutdown.
// The per-channel lists and receive buffers live as long as it does.

gui::Object *gb_WindowObj;
gui::Window *gb_Win;
gui::Object *gb_MainLayout;
gui::Object *gb_DeutschGad;
gui::Object *gb_EnglishGad;
gui::Object *gb_PrefsGad;
gui::Object *gb_NewslistGad;
gui::Object *gb_ShowGad;
gui::Object *gb_ReportGad;
exec::MsgPort *gb_AppPort;
exec::List gb_List[Arsschanel_max];
char *gb_Buffer[Arsschanel_max];

// Labels and keys are filled in from the catalog when the window is built.
gui::NewMenu gb_MenuDescribe[] = {
    {gui::NM_TITLE, nullptr, nullptr, 0, 0, nullptr},
    {gui::NM_ITEM, nullptr, nullptr, 0, 0, nullptr},
    {gui::NM_ITEM, nullptr, nullptr, 0, 0, nullptr},
    {gui::NM_END, nullptr, nullptr, 0, 0, nullptr},
};

gui::ColumnInfo gb_ListbrowserColumn[] = {
    {140, nullptr, 0},
    {300, nullptr, 0},
    {-1, reinterpret_cast<const char *>(~uintptr_t(0)), ~ULONG(0)},
};

static BOOL gb_PortPublic;

// Menu texts hold their shortcut key, a NUL and then the label. A catalog text without that form
// (a plain word, one character, nothing) would give a wrong key and a label from past its end, so
// the built-in text is used instead. Catalog texts end in two NULs, so text[2] may be read here.
static void FillMenuItem(gui::NewMenu *entry, LONG id, CONST_STRPTR def)
{
    CONST_STRPTR text = GetString(id);
    if (!text[0] || text[1] || !text[2])
        text = def;
    entry->nm_CommKey = text;
    entry->nm_Label = text + 2;
}

static void FillTexts()
{
    gb_MenuDescribe[0].nm_Label = GetString(TX_Menu_Project);
    FillMenuItem(&gb_MenuDescribe[1], TX_Menu_About, STR_TX_Menu_About);
    FillMenuItem(&gb_MenuDescribe[2], TX_Menu_Quit, STR_TX_Menu_Quit);
    gb_ListbrowserColumn[0].ci_Title = GetString(TX_ListColumnDate);
    gb_ListbrowserColumn[1].ci_Title = GetString(TX_ListColumnTitel);
}

static BOOL CreateGadgets()
{
    gb_DeutschGad = gui::NewButton(GID_Deutsch, GetString(TX_GadGerman));
    gb_EnglishGad = gui::NewButton(GID_English, GetString(TX_GadEnglish));
    gb_PrefsGad = gui::NewButton(GID_Prefs, GetString(TX_GadPrefs));
    gb_NewslistGad = gui::NewListBrowser(GID_Newslist, gb_ListbrowserColumn);
    gb_ShowGad = gui::NewButton(GID_Show, GetString(TX_GadSow));
    gb_ReportGad = gui::NewButton(GID_Report, GetString(TX_GadReport));
    return gb_DeutschGad && gb_EnglishGad && gb_PrefsGad && gb_NewslistGad && gb_ShowGad && gb_ReportGad;
}

// The gadgets belong to nobody until the window object takes them.
static void ForgetGadgets(BOOL dispose)
{
    gui::Object **gadgets[]
        = {&gb_DeutschGad, &gb_EnglishGad, &gb_PrefsGad, &gb_NewslistGad, &gb_ShowGad, &gb_ReportGad};
    for (gui::Object **gad : gadgets) {
        if (dispose && *gad)
            gui::DisposeObject(*gad);
        *gad = nullptr;
    }
}

static BOOL CreatePublicPort()
{
    gb_AppPort = exec::CreatePort();
    if (!gb_AppPort)
        return FALSE;
    // Without the public name the window still works; only other programs cannot call it up.
    gb_PortPublic = exec::AddPort(gb_AppPort, "Tavrin68k_port") ? TRUE : FALSE;
    return TRUE;
}

static gui::Object *CreateMainLayout()
{
    const gui::LayoutSpec topRow = {false, true, true, true, 0, 0, 0};
    const gui::LayoutMember topMembers[] = {{gb_DeutschGad, 0}, {gb_EnglishGad, 0}, {gb_PrefsGad, 0}};
    const gui::LayoutSpec bottomRow = {false, false, true, true, 10, 10, 10};
    const gui::LayoutMember bottomMembers[] = {{gb_ShowGad, 0}, {gb_ReportGad, 0}};
    const gui::LayoutSpec outer = {true, true, true, false, 0, 0, 0};

    gui::Object *top = gui::NewLayout(topRow, topMembers, 3);
    gui::Object *bottom = gui::NewLayout(bottomRow, bottomMembers, 2);
    const gui::LayoutMember outerMembers[] = {{top, 5}, {gb_NewslistGad, 95}, {bottom, 5}};
    return gui::NewLayout(outer, outerMembers, 3);
}

static void CreateMainWindow()
{
    gb_MainLayout = CreateMainLayout();

    gui::WindowSpec desc = {};
    desc.title = GetString(TX_WinTitle);
    desc.screenTitle = version + 7; // behind the NUL and "$VER: "
    desc.iconifyGadget = gb_Iconify != FALSE;
    desc.iconFile = "PROGDIR:Tavrin.png";
    desc.menu = gb_MenuDescribe;
    desc.appPort = gb_AppPort;
    desc.layout = gb_MainLayout;
    // A left or top edge of 0 means no stored position: the window opens centred at the layout's size.
    if (gb_WinLeft != 0 && gb_WinTop != 0) {
        desc.left = gb_WinLeft;
        desc.top = gb_WinTop;
        desc.width = gb_WinWidth;
        desc.height = gb_WinHeight;
    }
    gb_WindowObj = gui::NewWindowObject(desc);
    if (!gb_WindowObj)
        gb_MainLayout = nullptr; // disposed with everything in it
}

static BOOL CreateListsAndBuffers()
{
    BOOL ok = TRUE;
    for (int i = 0; i < Arsschanel_max; i++) {
        exec::NewList(&gb_List[i]);
        gb_Buffer[i] = new (std::nothrow) char[gb_RSSBufSize + 1];
        if (!gb_Buffer[i])
            ok = FALSE;
    }
    return ok;
}

BOOL CreateAllObjects()
{
    FillTexts();
    if (!CreateGadgets()) {
        ForgetGadgets(TRUE);
    } else if (!CreatePublicPort()) {
        ForgetGadgets(TRUE);
    } else {
        CreateMainWindow();
        // From here on the window object owns the gadgets, or they went with the failed window.
        if (!gb_WindowObj)
            ForgetGadgets(FALSE);
    }
    const BOOL buffers = CreateListsAndBuffers();
    return gb_WindowObj && buffers;
}

void DestroyAllObjects()
{
    if (gb_WindowObj) {
        gui::DisposeObject(gb_WindowObj);
        gb_WindowObj = nullptr;
        gb_MainLayout = nullptr;
        ForgetGadgets(FALSE);
    }
    gb_Win = nullptr;
    if (gb_AppPort) {
        if (gb_PortPublic)
            exec::RemPort(gb_AppPort);
        gb_PortPublic = FALSE;
        exec::DeletePort(gb_AppPort);
        gb_AppPort = nullptr;
    }
    for (int i = 0; i < Arsschanel_max; i++) {
        if (exec::IsListValid(&gb_List[i]))
            FreigebenList(&gb_List[i]);
        delete[] gb_Buffer[i];
        gb_Buffer[i] = nullptr;
    }
    FreeFeedChannels();
}

void DoSnapshot()
{
    if (gb_Win)
        gui::GetWindowBox(gb_Win, &gb_WinLeft, &gb_WinTop, &gb_WinWidth, &gb_WinHeight);
}

void DoUnsnapshot()
{
    gb_WinLeft = 0;
    gb_WinTop = 0;
    gb_WinWidth = 0;
    gb_WinHeight = 0;
}
