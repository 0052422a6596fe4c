#include <new>

#include "platform/gui.h"

// List browser nodes are plain records; the Qt list view reads them when the labels are set.

namespace gui {

ListBrowserNode *AllocListBrowserNode(const char *col0, const char *col1, bool bold, void *userData)
{
    auto *node = new (std::nothrow) ListBrowserNode {};
    if (!node)
        return nullptr;
    node->column[0] = col0;
    node->column[1] = col1;
    node->bold = bold;
    node->userData = userData;
    return node;
}

void FreeListBrowserNode(ListBrowserNode *node)
{
    delete node;
}

} // namespace gui
