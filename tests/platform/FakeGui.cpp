#include "platform/FakeGui.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>

// Gadgets, layouts and window objects share one record; only a window object has a signal bit.
struct gui::Object {
    std::vector<gui::Object *> members; // a layout's members and labels, a window's layout
    uint32_t attrs[3] = {1, 0, 0}; // by gui::GadgetAttr; checkboxes start selected
    std::string path;
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
static std::function<void(gui::Object *)> gOnOpen;
static std::string gNextFile;

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
    bool complete = true;
    for (int i = 0; i < count; i++) {
        obj->members.push_back(members[i].object);
        complete = complete && members[i].object;
        if (members[i].label)
            obj->members.push_back(members[i].label);
    }
    if (complete)
        return obj;
    DisposeObject(obj);
    return nullptr;
}

Object *NewChooser(uint32_t, const char *const *)
{
    return new Object;
}

Object *NewCheckBox(uint32_t, const char *)
{
    return new Object;
}

void SetGadgetAttr(Object *gadget, GadgetAttr attr, uint32_t value)
{
    gadget->attrs[attr] = value;
}

uint32_t GetGadgetAttr(Object *gadget, GadgetAttr attr)
{
    return gadget->attrs[attr];
}

Object *NewGetFile(uint32_t, const char *)
{
    return new Object;
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
    if (!gNextFile.empty())
        getfile->path = gNextFile;
    return !gNextFile.empty();
}

Object *NewLabel(const char *)
{
    return new Object;
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
    if (gFailOpen)
        return nullptr;
    if (gOnOpen)
        gOnOpen(win);
    return reinterpret_cast<Window *>(win);
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

exec::List *ListBrowserLabels(Object *lb)
{
    return lb->labels;
}

} // namespace gui

namespace fakegui {

void Reset()
{
    gFailOpen = false;
    gCalls.clear();
    gOnOpen = nullptr;
    gNextFile.clear();
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

void OnOpen(std::function<void(gui::Object *win)> hook)
{
    gOnOpen = std::move(hook);
}

void ChooseFile(const std::string &path)
{
    gNextFile = path;
}

} // namespace fakegui
