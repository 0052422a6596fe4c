#include <gtest/gtest.h>
#include <map>

#include "platform/gui.h"

namespace {

// Freed nodes are handed out again, a live one never twice, and a live node keeps what it was made
// with while others come and go, across more nodes than one slab holds.
TEST(QtListNode, LiveNodesAreDistinctAndKeepTheirFields)
{
    static char texts[4500];
    std::map<gui::ListBrowserNode *, size_t> live; // node -> the index it was made with
    auto make = [&](size_t i) {
        gui::ListBrowserNode *node = gui::AllocListBrowserNode(&texts[i], nullptr, i % 2 == 1, &texts[i]);
        ASSERT_NE(node, nullptr);
        EXPECT_TRUE(live.emplace(node, i).second) << "handed out twice: " << i;
    };
    for (size_t i = 0; i < 3000; i++)
        make(i);
    for (auto it = live.begin(); it != live.end();) {
        if (it->second % 3 == 0) {
            gui::FreeListBrowserNode(it->first);
            it = live.erase(it);
        } else {
            ++it;
        }
    }
    for (size_t i = 3000; i < 4500; i++)
        make(i);
    for (const auto &[node, i] : live) {
        EXPECT_TRUE(node->column[0] == &texts[i] && !node->column[1] && node->userData == &texts[i]) << i;
        EXPECT_EQ(node->bold, i % 2 == 1) << i;
        EXPECT_EQ(node->ln.ln_Succ, nullptr) << i;
    }
    for (const auto &[node, i] : live)
        gui::FreeListBrowserNode(node);
}

} // namespace
