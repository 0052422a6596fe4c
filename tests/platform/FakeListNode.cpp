#include "FakeListNode.h"

#include <cstring>
#include <new>

namespace {

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
    auto *node = failNext ? nullptr : new (std::nothrow) ListBrowserNode {{}, {col0, col1}, bold, userData};
    failNext = false;
    live += node != nullptr;
    return node;
}

void FreeListBrowserNode(ListBrowserNode *node)
{
    // The column texts belong to the node's record: reading them here makes the sanitizer report a
    // record that was freed before its node (and the allocator reports a node freed twice).
    [[maybe_unused]] volatile size_t touched = strlen(node->column[0]) + strlen(node->column[1]);
    live--;
    delete node;
}

} // namespace gui
