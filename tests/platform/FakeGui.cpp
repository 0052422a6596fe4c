#include "platform/FakeGui.h"

#include <algorithm>
#include <deque>
#include <utility>

// Gadgets, layouts and window objects share one record; only a window object has a signal bit.
struct gui::Object {
    std::vector<gui::Object *> members;
    exec::List *labels = nullptr;
    int32_t selected = -1;
    uint32_t relEvent = gui::LBRE_NORMAL;
    bool busy = false;
    exec::Task *task = nullptr;
    int32_t sigBit = -1;
    std::deque<std::pair<uint32_t, uint16_t>> input;
    uint16_t lastQualifier = 0;
};

static bool gFailOpen;
static std::vector<std::string> gCalls;

namespace gui {

Object *NewButton(uint32_t, const char *)
{
    return new Object;
}

Object *NewListBrowser(uint32_t, const ColumnInfo *)
{
    return new Object;
}

Object *NewLayout(const LayoutSpec &, const LayoutMember *members, int count)
{
    auto *obj = new Object;
    for (int i = 0; i < count; i++)
        obj->members.push_back(members[i].object);
    if (std::find(obj->members.begin(), obj->members.end(), nullptr) == obj->members.end())
        return obj;
    DisposeObject(obj);
    return nullptr;
}

Object *NewWindowObject(const WindowSpec &desc)
{
    int32_t bit = -1;
    if (!desc.layout || (bit = exec::AllocSignal()) < 0) {
        DisposeObject(desc.layout);
        return nullptr;
    }
    auto *obj = new Object;
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
    if (obj->sigBit >= 0)
        exec::FreeSignal(obj->sigBit);
    delete obj;
}

// Nothing looks into a window here: an open window is its object's address.
Window *WM_OPEN(Object *win)
{
    gCalls.emplace_back(gFailOpen ? "open failed" : "open");
    return gFailOpen ? nullptr : reinterpret_cast<Window *>(win);
}

void WM_CLOSE(Object *)
{
    gCalls.emplace_back("close");
}

bool WM_ICONIFY(Object *)
{
    gCalls.emplace_back("iconify");
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
    gCalls.emplace_back("front");
}

void ActivateWindow(Window *)
{
    gCalls.emplace_back("activate");
}

void GetWindowBox(Window *, int32_t *left, int32_t *top, int32_t *width, int32_t *height)
{
    *left = *top = 250;
    *width = 300;
    *height = 150;
}

void SetBusyPointer(Object *win, bool busy)
{
    gCalls.emplace_back(busy ? "busy on" : "busy off");
    win->busy = busy;
}

// Nothing to repaint on the test host.
void KeepAlive() { }

uint32_t ListBrowserRelEvent(Object *lb)
{
    return lb->relEvent;
}

void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected)
{
    gCalls.emplace_back("labels");
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

} // namespace gui

namespace fakegui {

void Reset()
{
    gFailOpen = false;
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
    gFailOpen = fail;
}

void PushInput(gui::Object *win, uint32_t result, uint16_t qualifier)
{
    win->input.emplace_back(result, qualifier);
    exec::Signal(win->task, gui::WindowSigMask(win));
}

bool Busy(gui::Object *win)
{
    return win->busy;
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

} // namespace fakegui
