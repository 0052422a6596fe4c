#include <memory>
#include <new>
#include <vector>

#include "platform/gui.h"

// List browser nodes are plain records; the Qt list view reads them when the labels are set.
//
// They come from slabs, so that the nodes of a list lie side by side in the order they were made.
// Walking a long list (for its newest entry, or to show it) then reads memory in order, which the
// processor fetches ahead, instead of a node between every two entries' records and pages, which
// it waits for node by node. Only the program's task makes and frees nodes.

namespace {

union Slot {
    alignas(gui::ListBrowserNode) unsigned char node[sizeof(gui::ListBrowserNode)];
    Slot *next; // while free
};

constexpr size_t SlabSlots = 512;

std::vector<std::unique_ptr<Slot[]>> slabs;
Slot *freeSlots = nullptr;

// Adds a slab whose slots are taken in address order; false without memory for it.
bool AddSlab()
{
    Slot *slab = new (std::nothrow) Slot[SlabSlots];
    if (!slab)
        return false;
    try {
        slabs.emplace_back(slab);
    } catch (const std::bad_alloc &) {
        delete[] slab;
        return false;
    }
    for (size_t i = SlabSlots; i-- > 0;) {
        slab[i].next = freeSlots;
        freeSlots = &slab[i];
    }
    return true;
}

} // namespace

namespace gui {

ListBrowserNode *AllocListBrowserNode(const char *col0, const char *col1, bool bold, void *userData)
{
    if (!freeSlots && !AddSlab())
        return nullptr;
    Slot *slot = freeSlots;
    freeSlots = slot->next;
    auto *node = new (slot->node) ListBrowserNode {};
    node->column[0] = col0;
    node->column[1] = col1;
    node->bold = bold;
    node->userData = userData;
    return node;
}

void FreeListBrowserNode(ListBrowserNode *node)
{
    if (!node)
        return;
    node->~ListBrowserNode();
    auto *slot = reinterpret_cast<Slot *>(node);
    slot->next = freeSlots;
    freeSlots = slot;
}

} // namespace gui
