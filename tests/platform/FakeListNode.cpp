#include "FakeListNode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t LIVE = 0x4c424e31; // "LBN1"

// The host's own node type: the program sees only the gui:: node at its start.
struct FakeNode {
    gui::ListBrowserNode node;
    uint32_t magic;
};

bool failNext = false;
bool failAll = false;
size_t live = 0;

} // namespace

namespace fake {

void FailNextListNodeAlloc(bool fail)
{
    failNext = fail;
}

void FailListNodeAllocs(bool fail)
{
    failAll = fail;
}

size_t LiveListNodes()
{
    return live;
}

bool IsLiveListNode(const gui::ListBrowserNode *node)
{
    return node && reinterpret_cast<const FakeNode *>(node)->magic == LIVE;
}

} // namespace fake

namespace gui {

ListBrowserNode *AllocListBrowserNode(const char *col0, const char *col1, bool bold, void *userData)
{
    if (failNext || failAll) {
        failNext = false;
        return nullptr;
    }
    auto *fake = new (std::nothrow) FakeNode {};
    if (!fake)
        return nullptr;
    fake->node.column[0] = col0;
    fake->node.column[1] = col1;
    fake->node.bold = bold;
    fake->node.userData = userData;
    fake->magic = LIVE;
    live++;
    return &fake->node;
}

void FreeListBrowserNode(ListBrowserNode *node)
{
    if (!node)
        return;
    auto *fake = reinterpret_cast<FakeNode *>(node);
    if (fake->magic != LIVE) {
        fprintf(stderr, "FreeListBrowserNode: %p is not a live node of this host\n", static_cast<void *>(node));
        abort();
    }
    // The column texts belong to the node's record: reading them here makes the sanitizer report a
    // record that was freed before its node.
    volatile size_t touched = strlen(node->column[0]) + strlen(node->column[1]);
    (void)touched;
    fake->magic = 0;
    live--;
    delete fake;
}

} // namespace gui
