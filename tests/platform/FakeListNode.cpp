#include "FakeListNode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t LIVE = 0x4c424e31; // "LBN1"

// The host's own node type: the program sees only the gui:: node it derives from.
struct FakeNode : gui::ListBrowserNode {
    uint32_t magic;
};

bool failNext = false;
size_t live = 0;

} // namespace

namespace fake {

void FailNextListNodeAlloc(bool fail)
{
    failNext = fail;
}

size_t LiveListNodes()
{
    return live;
}

} // namespace fake

namespace gui {

ListBrowserNode *AllocListBrowserNode(const char *col0, const char *col1, bool bold, void *userData)
{
    auto *fake = failNext ? nullptr : new (std::nothrow) FakeNode {{{}, {col0, col1}, bold, userData}, LIVE};
    failNext = false;
    live += fake != nullptr;
    return fake;
}

void FreeListBrowserNode(ListBrowserNode *node)
{
    auto *fake = static_cast<FakeNode *>(node);
    // A node this host did not make, or one freed before, stops the test where it happens.
    if (!fake || fake->magic != LIVE)
        abort();
    // The column texts belong to the node's record: reading them here makes the sanitizer report a
    // record that was freed before its node.
    [[maybe_unused]] volatile size_t touched = strlen(node->column[0]) + strlen(node->column[1]);
    fake->magic = 0;
    live--;
    delete fake;
}

} // namespace gui
