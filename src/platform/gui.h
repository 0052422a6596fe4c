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
constexpr uint32_t WMHI_VANILLAKEY = 12u << 16;
constexpr uint32_t WMHI_GADGETDOWN = 20u << 16;

// Packed menu numbers: menu in bits 0-4, item in bits 5-10, sub-item in bits 11-15 (31 = none).
constexpr uint32_t MENUNULL = 0xffff;
constexpr uint32_t FULLMENUNUM(uint32_t menu, uint32_t item, uint32_t sub)
{
    return (menu & 31) | ((item & 63) << 5) | ((sub & 31) << 11);
}

// Qualifiers of a raw key event.
constexpr uint16_t IEQUALIFIER_LSHIFT = 0x0001;
constexpr uint16_t IEQUALIFIER_RSHIFT = 0x0002;
constexpr uint16_t IEQUALIFIER_CONTROL = 0x0008;
constexpr uint16_t IEQUALIFIER_LALT = 0x0010;
constexpr uint16_t IEQUALIFIER_RALT = 0x0020;

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
// Null when the host cannot make the node (out of memory).
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

// Buttons and the list browser report WMHI_GADGETUP with their ID on release.
Object *NewButton(uint32_t id, const char *label);
// `columns` ends with an entry of width -1; the list is selectable, shows titles and separators,
// row spacing 3, auto-fit, at least 5 rows.
Object *NewListBrowser(uint32_t id, const ColumnInfo *columns);

// A layout group; members with their relative weights (0 = natural size). Owns its members once made.
struct LayoutMember {
    Object *object;
    uint32_t weight;
};
struct LayoutSpec {
    bool vertical;
    bool spaceOuter; // spacing around the edge
    bool spaceInner; // spacing between members
    bool evenSize; // all members the same size
    int32_t leftSpacing, rightSpacing, innerSpacing; // pixels; 0 = the host's default
};
// Null when any member is null or the group cannot be made; the members are then disposed.
Object *NewLayout(const LayoutSpec &spec, const LayoutMember *members, int count);

struct WindowSpec {
    const char *title;
    const char *screenTitle;
    bool iconifyGadget; // window mode: minimising sends WMHI_ICONIFY
    const char *iconFile; // window icon, host path or Amiga path; may be null
    const NewMenu *menu;
    exec::MsgPort *appPort;
    Object *layout;
    // Placement: a left and top of 0 means "centred with the layout's size".
    int32_t left, top, width, height;
};
// Null when `layout` is null or the window cannot be made; it then disposes the layout.
Object *NewWindowObject(const WindowSpec &spec);
// Disposes a window object with everything it owns, or a lone gadget or layout.
void DisposeObject(Object *obj);

// WM_OPEN: the open window, or null.
Window *WM_OPEN(Object *win);
// WM_CLOSE.
void WM_CLOSE(Object *win);
// WM_ICONIFY: true when the window is now iconified.
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
// The busy pointer on or off.
void SetBusyPointer(Object *win, bool busy);

// LISTBROWSER_RelEvent of the last release.
uint32_t ListBrowserRelEvent(Object *lb);
// LISTBROWSER_Labels (null = none), auto-fit on, and the selection (-1 = none).
void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected);
// LISTBROWSER_SelectedNode, or null.
ListBrowserNode *ListBrowserSelectedNode(Object *lb);

} // namespace gui
