#pragma once

// The test host's window objects: a test queues their input and reads back what the program asked
// of them. Input raises the window's signal bit on the task that made the object, as the real host
// does; it is queued and drained on the program's thread only.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gui.h"

// Gadgets, layouts and window objects share one record; only a window object has a signal bit.
struct gui::Object {
    std::vector<gui::Object *> members; // a layout's members and labels, a window's layout
    uint32_t attrs[3] = {1, 0, 0}; // by gui::GadgetAttr; checkboxes start selected
    std::string path;
    exec::List *labels = nullptr; // a list browser's
    int32_t selected = -1;
    uint32_t relEvent = gui::LBRE_NORMAL; // the release it reports
    exec::Task *task = nullptr;
    int32_t sigBit = -1;
    std::deque<std::pair<uint32_t, uint16_t>> input;
    uint16_t lastQualifier = 0;
};

namespace fakegui {

// What the host records and what the user does next; a test sets it to {} before it starts.
struct Host {
    // Calls on windows and list browsers in order: "open", "open failed", "close", "iconify", "front",
    // "activate", "labels", "busy on", "busy off".
    std::vector<std::string> calls;
    bool failOpen = false;
    std::function<void(gui::Object *win)> onOpen; // where a test queues the user's input to a new window
    std::string nextFile; // what the next file requester returns; empty: the user cancels it
};
extern Host host;

// Queues one input result (class | code) for a window object and sets its signal bit.
void PushInput(gui::Object *win, uint32_t result, uint16_t qualifier = 0);

} // namespace fakegui
