#include "platform/FakeGui.h"

#include <deque>
#include <mutex>
#include <utility>

#include "platform/FakeListNode.h"

enum class Kind { Button, ListBrowser, Layout, Window };

struct gui::Window {
    gui::Object *object;
};

struct gui::Object {
    Kind kind;
    uint32_t id = 0;
    std::string label;
    std::vector<gui::Object *> members;
    // List browser.
    exec::List *labels = nullptr;
    int32_t selected = -1;
    uint32_t relEvent = gui::LBRE_NORMAL;
    gui::ListBrowserNode *selectedNode = nullptr;
    // Window object.
    gui::WindowSpec desc = {};
    std::string title, screenTitle;
    fakegui::WinState state = fakegui::WinState::Closed;
    gui::Window window {this};
    bool busy = false;
    exec::Task *task = nullptr;
    int32_t sigBit = -1;
    std::mutex inputMutex;
    std::deque<std::pair<uint32_t, uint16_t>> input;
    uint16_t lastQualifier = 0;
};

namespace {

struct Switches {
    bool failOpen = false;
    bool failIconify = false;
    bool failNewWindowObject = false;
    int32_t box[4] = {250, 250, 300, 150};
};

Switches gSwitches;
std::vector<std::string> gCalls;

void Record(const char *call)
{
    gCalls.emplace_back(call);
}

} // namespace

namespace gui {

Object *NewButton(uint32_t id, const char *label)
{
    auto *obj = new Object {Kind::Button};
    obj->id = id;
    obj->label = label ? label : "";
    return obj;
}

Object *NewListBrowser(uint32_t id, const ColumnInfo *)
{
    auto *obj = new Object {Kind::ListBrowser};
    obj->id = id;
    return obj;
}

Object *NewLayout(const LayoutSpec &, const LayoutMember *members, int count)
{
    bool complete = true;
    for (int i = 0; i < count; i++)
        complete = complete && members[i].object;
    if (!complete) {
        for (int i = 0; i < count; i++)
            DisposeObject(members[i].object);
        return nullptr;
    }
    auto *obj = new Object {Kind::Layout};
    for (int i = 0; i < count; i++)
        obj->members.push_back(members[i].object);
    return obj;
}

Object *NewWindowObject(const WindowSpec &desc)
{
    int32_t bit = -1;
    if (!desc.layout || gSwitches.failNewWindowObject || (bit = exec::AllocSignal()) < 0) {
        DisposeObject(desc.layout);
        return nullptr;
    }
    auto *obj = new Object {Kind::Window};
    obj->desc = desc;
    obj->title = desc.title ? desc.title : "";
    obj->screenTitle = desc.screenTitle ? desc.screenTitle : "";
    obj->desc.title = obj->title.c_str();
    obj->desc.screenTitle = obj->screenTitle.c_str();
    obj->members.push_back(desc.layout);
    obj->task = exec::FindTask(nullptr);
    obj->sigBit = bit;
    return obj;
}

void DisposeObject(Object *obj)
{
    if (!obj)
        return;
    for (Object *member : obj->members)
        DisposeObject(member);
    if (obj->kind == Kind::Window)
        exec::FreeSignal(obj->sigBit);
    delete obj;
}

Window *WM_OPEN(Object *win)
{
    if (gSwitches.failOpen) {
        Record("open failed");
        return nullptr;
    }
    Record("open");
    win->state = fakegui::WinState::Open;
    return &win->window;
}

void WM_CLOSE(Object *win)
{
    Record("close");
    win->state = fakegui::WinState::Closed;
}

bool WM_ICONIFY(Object *win)
{
    if (gSwitches.failIconify) {
        Record("iconify failed");
        return false;
    }
    Record("iconify");
    win->state = fakegui::WinState::Iconified;
    return true;
}

uint32_t WM_HANDLEINPUT(Object *win)
{
    std::lock_guard<std::mutex> lock(win->inputMutex);
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
    std::lock_guard<std::mutex> lock(win->inputMutex);
    return win->lastQualifier;
}

void WindowToFront(Window *)
{
    Record("front");
}
void ActivateWindow(Window *)
{
    Record("activate");
}

void GetWindowBox(Window *, int32_t *left, int32_t *top, int32_t *width, int32_t *height)
{
    *left = gSwitches.box[0];
    *top = gSwitches.box[1];
    *width = gSwitches.box[2];
    *height = gSwitches.box[3];
}

void SetBusyPointer(Object *win, bool busy)
{
    Record(busy ? "busy on" : "busy off");
    win->busy = busy;
}

uint32_t ListBrowserRelEvent(Object *lb)
{
    return lb->relEvent;
}

void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected)
{
    Record("labels");
    lb->labels = labels;
    lb->selected = selected;
}

ListBrowserNode *ListBrowserSelectedNode(Object *lb)
{
    return lb->selectedNode;
}

// Nothing to repaint on the test host.
void KeepAlive() { }

} // namespace gui

namespace fakegui {

void Reset()
{
    gSwitches = Switches {};
    fake::FailListNodeAllocs(false);
    gCalls.clear();
}

const std::vector<std::string> &Calls()
{
    return gCalls;
}
void ClearCalls()
{
    gCalls.clear();
}

void FailOpen(bool fail)
{
    gSwitches.failOpen = fail;
}
void FailIconify(bool fail)
{
    gSwitches.failIconify = fail;
}
void FailNewWindowObject(bool fail)
{
    gSwitches.failNewWindowObject = fail;
}
// List nodes are made by FakeListNode.cpp.
void FailNodeAlloc(bool fail)
{
    fake::FailListNodeAllocs(fail);
}

void PushInput(gui::Object *win, uint32_t result, uint16_t qualifier)
{
    {
        std::lock_guard<std::mutex> lock(win->inputMutex);
        win->input.emplace_back(result, qualifier);
    }
    exec::Signal(win->task, gui::WindowSigMask(win));
}

size_t PendingInput(gui::Object *win)
{
    std::lock_guard<std::mutex> lock(win->inputMutex);
    return win->input.size();
}

WinState State(gui::Object *win)
{
    return win->state;
}
void SetState(gui::Object *win, WinState state)
{
    win->state = state;
}
bool Busy(gui::Object *win)
{
    return win->busy;
}

void SetWindowBox(int32_t left, int32_t top, int32_t width, int32_t height)
{
    gSwitches.box[0] = left;
    gSwitches.box[1] = top;
    gSwitches.box[2] = width;
    gSwitches.box[3] = height;
}

gui::Object *FindGadget(gui::Object *obj, uint32_t id)
{
    if (!obj)
        return nullptr;
    if (obj->kind != Kind::Layout && obj->kind != Kind::Window)
        return obj->id == id ? obj : nullptr;
    for (gui::Object *member : obj->members) {
        if (gui::Object *found = FindGadget(member, id))
            return found;
    }
    return nullptr;
}

std::string Label(gui::Object *obj)
{
    return obj->kind == Kind::Window ? obj->title : obj->label;
}
exec::List *Labels(gui::Object *lb)
{
    return lb->labels;
}
int32_t Selected(gui::Object *lb)
{
    return lb->selected;
}
void SetRelEvent(gui::Object *lb, uint32_t event)
{
    lb->relEvent = event;
}
void SetSelectedNode(gui::Object *lb, gui::ListBrowserNode *node)
{
    lb->selectedNode = node;
}
const gui::WindowSpec &Desc(gui::Object *win)
{
    return win->desc;
}

} // namespace fakegui
