#pragma once

// The test host's window objects: a test queues their input and reads back what the program asked
// of them. Input raises the window's signal bit on the task that made the object, as the real host
// does; it is queued and drained on the program's thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui.h"

namespace fakegui {

// Forgets the recorded calls, the open hook and the chosen file, and lets windows open again; existing
// objects stay as they are.
void Reset();

// Calls on windows and list browsers in order: "open", "open failed", "close", "iconify", "front",
// "activate", "labels", "busy on", "busy off".
const std::vector<std::string> &Calls();
void ClearCalls();

void FailOpen(bool fail);

// Queues one input result (class | code) for a window object and sets its signal bit.
void PushInput(gui::Object *win, uint32_t result, uint16_t qualifier = 0);
bool Busy(gui::Object *win);

// The list browser's current labels (null = none) and selection, and the release it reports.
exec::List *Labels(gui::Object *lb);
int32_t Selected(gui::Object *lb);
void SetRelEvent(gui::Object *lb, uint32_t event);

// Called with the window object each time a window opens: a test queues the user's input there.
void OnOpen(std::function<void(gui::Object *win)> hook);
// The file the next file requester returns; empty: the user cancels it.
void ChooseFile(const std::string &path);

} // namespace fakegui
