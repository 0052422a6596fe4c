#pragma once

// Window objects in the manner of ReAction: gadgets and layouts are created first, the window object
// owns them, and the program drains the window's input queue with HandleInput (WM_HANDLEINPUT).
// Hosts never act on input themselves: they queue it and set the window's signal bit.

#include <cstdint>

#include "platform/exec.h"

namespace gui {

struct Object; // a gadget, layout or window object
struct Window; // an open window (non-null only while the window object is open)
struct RastPort;
struct Screen;
struct DrawInfo;

// Input results: class in the upper 16 bits, gadget ID, menu number or key in the lower 16.
constexpr uint32_t WMHI_LASTMSG = 0;
constexpr uint32_t WMHI_CLASSMASK = 0xffff0000;
constexpr uint32_t WMHI_GADGETMASK = 0xffff;
constexpr uint32_t WMHI_MENUMASK = 0xffff;
constexpr uint32_t WMHI_KEYMASK = 0xff;
constexpr uint32_t WMHI_CLOSEWINDOW = 1u << 16;
constexpr uint32_t WMHI_GADGETUP = 2u << 16;
constexpr uint32_t WMHI_MENUPICK = 6u << 16;
constexpr uint32_t WMHI_ICONIFY = 9u << 16;
constexpr uint32_t WMHI_UNICONIFY = 10u << 16;
constexpr uint32_t WMHI_RAWKEY = 11u << 16;

// Packed menu numbers: menu in bits 0-4, item in bits 5-10, sub-item in bits 11-15 (31 = none).
constexpr uint32_t MENUNULL = 0xffff;
constexpr uint32_t FULLMENUNUM(uint32_t menu, uint32_t item, uint32_t sub)
{
    return (menu & 31) | ((item & 63) << 5) | ((sub & 31) << 11);
}

// Qualifiers of a raw key event. Only these keyboard bits are ever set: a plain key has qualifier 0.
// Left and right keys are not told apart: either reports the left bit.
constexpr uint16_t IEQUALIFIER_LSHIFT = 0x0001;
constexpr uint16_t IEQUALIFIER_CONTROL = 0x0008;
constexpr uint16_t IEQUALIFIER_LALT = 0x0010;
constexpr uint16_t IEQUALIFIER_LCOMMAND = 0x0040;

// WMHI_RAWKEY carries the program's raw key code (key positions of the US layout). Only key
// presses are reported: no releases, no auto-repeats, no lone qualifier keys. Keys without such a code
// are not reported.
constexpr uint32_t RAWKEY_SPACE = 0x40;
constexpr uint32_t RAWKEY_BACKSPACE = 0x41;
constexpr uint32_t RAWKEY_TAB = 0x42;
constexpr uint32_t RAWKEY_RETURN = 0x44;
constexpr uint32_t RAWKEY_ESC = 0x45;
constexpr uint32_t RAWKEY_DEL = 0x46;
constexpr uint32_t RAWKEY_CRSRUP = 0x4c;
constexpr uint32_t RAWKEY_CRSRDOWN = 0x4d;
constexpr uint32_t RAWKEY_CRSRRIGHT = 0x4e;
constexpr uint32_t RAWKEY_CRSRLEFT = 0x4f;
constexpr uint32_t RAWKEY_F1 = 0x50; // F1 to F10 follow one another
constexpr uint32_t RAWKEY_NONE = 0xff;
// The raw code of a letter (either case) or digit key, or RAWKEY_NONE.
constexpr uint32_t RawKeyOf(char c)
{
    constexpr const char *rows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr uint32_t starts[] = {0x01, 0x10, 0x20, 0x31};
    if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    for (int row = 0; row < 4; row++) {
        for (uint32_t i = 0; rows[row][i]; i++) {
            if (rows[row][i] == c)
                return starts[row] + i;
        }
    }
    return RAWKEY_NONE;
}

// List browser release events.
constexpr uint32_t LBRE_NORMAL = 1;
constexpr uint32_t LBRE_DOUBLECLICK = 16;

// A list browser node: the exec node comes first so that nodes sit in exec lists. The column texts
// are not copied: they must outlive the node.
struct ListBrowserNode {
    exec::Node ln;
    const char *column[2];
    bool bold; // drawn bold in pen 4 (custom pens)
    void *userData;
};
// Null when the host cannot make the node (out of memory). Texts are UTF-8; bytes that are not valid
// UTF-8 are shown as ISO-8859-1.
ListBrowserNode *AllocListBrowserNode(const char *col0, const char *col1, bool bold, void *userData);
void FreeListBrowserNode(ListBrowserNode *node);

struct ColumnInfo {
    int16_t ci_Width;
    const char *ci_Title;
    uint32_t ci_Flags;
};

struct NewMenu {
    uint8_t nm_Type; // 1 title, 2 item, 0 end
    const char *nm_Label;
    const char *nm_CommKey;
    uint16_t nm_Flags;
    int32_t nm_MutualExclude;
    void *nm_UserData;
};
constexpr uint8_t NM_END = 0;
constexpr uint8_t NM_TITLE = 1;
constexpr uint8_t NM_ITEM = 2;

// Buttons and the list browser report WMHI_GADGETUP with their ID on release. An '_' in a label marks
// the next letter as the keyboard shortcut.
Object *NewButton(uint32_t id, const char *label);
// `columns` ends with an entry of width -1; the list is selectable, shows titles and separators,
// row spacing 3, auto-fit, at least 5 rows.
Object *NewListBrowser(uint32_t id, const ColumnInfo *columns);

// A layout group; members with their relative weights (0 = natural size). Owns its members once made.
struct LayoutMember {
    Object *object;
    uint32_t weight;
    Object *label; // label image on the member's left (NewLabel), or null
    int32_t minHeight; // pixels; 0 = the member's own
};
struct LayoutSpec {
    bool vertical;
    bool spaceOuter; // spacing around the edge
    bool spaceInner; // spacing between members
    bool evenSize; // all members the same size
    int32_t leftSpacing, rightSpacing, innerSpacing; // pixels; 0 = the host's default
    const char *title; // a framed group with this title centred on its top edge, or null
    int32_t topSpacing; // pixels; 0 = the host's default
};
// Null when any member is null or the group cannot be made; members and labels are then disposed.
Object *NewLayout(const LayoutSpec &desc, const LayoutMember *members, int count);

struct WindowSpec {
    const char *title;
    const char *screenTitle;
    bool iconifyGadget; // window mode: minimising sends WMHI_ICONIFY, restoring WMHI_UNICONIFY
    const char *iconFile; // window icon, host path or a path with a device name; may be null
    const NewMenu *menu;
    exec::MsgPort *appPort; // also signalled for input that arrives while the window is not open
    Object *layout;
    // Placement: a left or top of 0 means "centred with the layout's size". On opening the window is
    // moved and cut down to fit on its screen.
    int32_t left, top, width, height;
    // A dialog (the settings window): modal for the whole program while it is open, no close gadget, no
    // menu; it reports gadget events only.
    bool dialog;
};
// Null when `layout` is null or the window cannot be made; it then disposes the layout.
Object *NewWindowObject(const WindowSpec &desc);
// Disposes a window object with everything it owns, or a lone gadget or layout.
void DisposeObject(Object *obj);

// WM_OPEN: the open window, or null. Also brings back an iconified window.
Window *WM_OPEN(Object *win);
// WM_CLOSE: hides the window and drops the input not yet handled. The close gadget only reports
// WMHI_CLOSEWINDOW; the window closes only here.
void WM_CLOSE(Object *win);
// WM_ICONIFY: true when the window is now iconified (only windows with the iconify gadget can be).
bool WM_ICONIFY(Object *win);
// WM_HANDLEINPUT: the next input result, or WMHI_LASTMSG when the queue is empty.
uint32_t WM_HANDLEINPUT(Object *win);
// WINDOW_SigMask: the bit set when input is queued (valid while the object exists).
uint32_t WindowSigMask(Object *win);
// WINDOW_InputEvent: the qualifier of the raw key that the last WM_HANDLEINPUT returned.
uint16_t WindowInputQualifier(Object *win);
void WindowToFront(Window *w);
void ActivateWindow(Window *w);
// The open window's outer left/top and inner width/height.
void GetWindowBox(Window *w, int32_t *left, int32_t *top, int32_t *width, int32_t *height);
// The busy pointer on or off. While it is on the window takes no input: what the user does meanwhile is
// either held back until it is off or dropped.
void SetBusyPointer(Object *win, bool busy);
// Keeps the windows repainting while the program's task is blocked (a download): handles paint and timer
// events only, user input waits. Safe to call at any time, also without windows.
void KeepAlive();

// The settings gadgets. A chooser pops up its items (at most 10 at a time) and reports WMHI_GADGETUP with
// its ID when one is picked; `labels` ends with a null entry and is copied. Item 0 starts selected.
Object *NewChooser(uint32_t id, const char *const *labels);
// A checkbox with its text to the right of the box; it starts selected and reports nothing.
Object *NewCheckBox(uint32_t id, const char *text);
// The attributes the settings window sets and reads. CHOOSER_Selected outside the chooser's list shows no
// item and is read back as it was set.
enum GadgetAttr : uint32_t { GA_Selected, GA_Disabled, CHOOSER_Selected };
void SetGadgetAttr(Object *gadget, GadgetAttr attr, uint32_t value);
uint32_t GetGadgetAttr(Object *gadget, GadgetAttr attr);
// A file chooser: a read-only path field and a button that reports WMHI_GADGETUP with the ID, upon which
// the program calls RequestFile. `title` is the file requester's title.
Object *NewGetFile(uint32_t id, const char *title);
// GETFILE_FullFile: the full path as bytes. The text returned stays valid until the gadget changes.
void SetGetFilePath(Object *getfile, const char *path);
const char *GetFilePath(Object *getfile);
// GFILE_REQUEST: the file requester over the open window `win`, for an existing file; every file is shown
// except icon files (".info"). True when the user chose one: the gadget then shows its full path.
bool RequestFile(Object *getfile, Window *win);
// A label image for a layout member (LayoutMember::label).
Object *NewLabel(const char *text);

// LISTBROWSER_RelEvent of the last release.
uint32_t ListBrowserRelEvent(Object *lb);
// LISTBROWSER_Labels (null = none), auto-fit on, and the selection (-1 = none). The texts are read here:
// change a list only while it is not attached, then attach it again.
void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected);
// LISTBROWSER_SelectedNode, or null.
ListBrowserNode *ListBrowserSelectedNode(Object *lb);
// LISTBROWSER_Labels as last attached, or null.
exec::List *ListBrowserLabels(Object *lb);

} // namespace gui
