#include "platform/FakeGui.h"

fakegui::Host fakegui::host;
using fakegui::host;

// Gadgets that need nothing but their record here.
#define PLAIN_GADGET(name, ...)                                                                                        \
    Object *name(__VA_ARGS__)                                                                                          \
    {                                                                                                                  \
        return new Object;                                                                                             \
    }

namespace gui {

PLAIN_GADGET(NewButton, uint32_t, const char *)
PLAIN_GADGET(NewListBrowser, uint32_t, const ColumnInfo *)
PLAIN_GADGET(NewChooser, uint32_t, const char *const *)
PLAIN_GADGET(NewCheckBox, uint32_t, const char *)
PLAIN_GADGET(NewGetFile, uint32_t, const char *)
PLAIN_GADGET(NewLabel, const char *)

// Gadgets never fail here, so a layout always has all its members.
Object *NewLayout(const LayoutSpec &, const LayoutMember *members, int count)
{
    auto *obj = new Object;
    for (int i = 0; i < count; i++)
        obj->members.insert(obj->members.end(), {members[i].object, members[i].label});
    return obj;
}

void SetGadgetAttr(Object *gadget, GadgetAttr attr, uint32_t value)
{
    gadget->attrs[attr] = value;
}

uint32_t GetGadgetAttr(Object *gadget, GadgetAttr attr)
{
    return gadget->attrs[attr];
}

void SetGetFilePath(Object *getfile, const char *path)
{
    getfile->path = path;
}

const char *GetFilePath(Object *getfile)
{
    return getfile->path.c_str();
}

bool RequestFile(Object *getfile, Window *)
{
    if (!host.nextFile.empty())
        getfile->path = host.nextFile;
    return !host.nextFile.empty();
}

Object *NewWindowObject(const WindowSpec &desc)
{
    return new Object {.members = {desc.layout}, .task = exec::FindTask(nullptr), .sigBit = exec::AllocSignal()};
}

void DisposeObject(Object *obj)
{
    if (!obj)
        return;
    for (Object *member : obj->members)
        DisposeObject(member);
    if (obj->sigBit >= 0)
        exec::FreeSignal(obj->sigBit);
    delete obj;
}

// Nothing looks into a window here: an open window is its object's address.
Window *WM_OPEN(Object *win)
{
    host.calls.emplace_back(host.failOpen ? "open failed" : "open");
    if (host.failOpen)
        return nullptr;
    if (host.onOpen)
        host.onOpen(win);
    return reinterpret_cast<Window *>(win);
}

void WM_CLOSE(Object *)
{
    host.calls.emplace_back("close");
}

bool WM_ICONIFY(Object *)
{
    host.calls.emplace_back("iconify");
    return true;
}

uint32_t WM_HANDLEINPUT(Object *win)
{
    if (win->input.empty())
        return WMHI_LASTMSG;
    auto [result, qualifier] = win->input.front();
    win->input.pop_front();
    win->lastQualifier = qualifier;
    return result;
}

uint32_t WindowSigMask(Object *win)
{
    return win ? 1u << win->sigBit : 0;
}

uint16_t WindowInputQualifier(Object *win)
{
    return win->lastQualifier;
}

void WindowToFront(Window *)
{
    host.calls.emplace_back("front");
}

void ActivateWindow(Window *)
{
    host.calls.emplace_back("activate");
}

void GetWindowBox(Window *, int32_t *left, int32_t *top, int32_t *width, int32_t *height)
{
    *left = *top = 250;
    *width = 300;
    *height = 150;
}

void SetBusyPointer(Object *, bool busy)
{
    host.calls.emplace_back(busy ? "busy on" : "busy off");
}

uint32_t ListBrowserRelEvent(Object *lb)
{
    return lb->relEvent;
}

void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected)
{
    host.calls.emplace_back("labels");
    lb->labels = labels;
    lb->selected = selected;
}

ListBrowserNode *ListBrowserSelectedNode(Object *lb)
{
    exec::Node *node = lb->labels && lb->selected >= 0 ? exec::GetHead(lb->labels) : nullptr;
    for (int32_t i = 0; node && i < lb->selected; i++)
        node = exec::GetSucc(node);
    return reinterpret_cast<ListBrowserNode *>(node);
}

exec::List *ListBrowserLabels(Object *lb)
{
    return lb->labels;
}

} // namespace gui

void fakegui::PushInput(gui::Object *win, uint32_t result, uint16_t qualifier)
{
    win->input.emplace_back(result, qualifier);
    exec::Signal(win->task, gui::WindowSigMask(win));
}
