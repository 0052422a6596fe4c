#pragma once

// The test host's window objects: a test scripts their input and reads back what the program
// asked of them. Input is queued per window object and raises the window's signal bit on the task
// that made the object, as the real host does.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui.h"

namespace fakegui {

enum class WinState { Closed, Open, Iconified };

// Forgets the recorded calls and switches every failure off; existing objects stay as they are.
void Reset();

// Calls on windows and list browsers in order: "open", "open failed", "close", "iconify",
// "iconify failed", "front", "activate", "labels", "busy on", "busy off".
const std::vector<std::string> &Calls();
void ClearCalls();

// Failure switches.
void FailOpen(bool fail);
void FailIconify(bool fail);
void FailNewWindowObject(bool fail);
void FailNodeAlloc(bool fail);

// Queues one input result (class | code) for a window object and sets its signal bit.
void PushInput(gui::Object *win, uint32_t result, uint16_t qualifier = 0);
size_t PendingInput(gui::Object *win);

WinState State(gui::Object *win);
// Puts a window object into a state without recording a call (a test's starting point).
void SetState(gui::Object *win, WinState state);
bool Busy(gui::Object *win);
// The box GetWindowBox reports for every open window.
void SetWindowBox(int32_t left, int32_t top, int32_t width, int32_t height);

// The gadget with `id` among the window's or layout's members, or null.
gui::Object *FindGadget(gui::Object *obj, uint32_t id);
// A button's label; a window's title.
std::string Label(gui::Object *obj);
// The list browser's current labels (null = none) and selection.
exec::List *Labels(gui::Object *lb);
int32_t Selected(gui::Object *lb);
void SetRelEvent(gui::Object *lb, uint32_t event);
void SetSelectedNode(gui::Object *lb, gui::ListBrowserNode *node);
// The window object's creation desc (title and screen title copied).
const gui::WindowSpec &Desc(gui::Object *win);

} // namespace fakegui
