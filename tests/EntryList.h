#pragma once

// Reads a channel list back as plain values for table-driven tests.

#include <string>
#include <vector>

#include "Tavrin.h"
#include "platform/FakeListNode.h"

struct Entry {
    std::string date, title, link;
    ULONG timestamp;
    bool bold;
    std::string meldung;

    bool operator==(const Entry &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Entry &e)
{
    return os << "{\"" << e.date << "\", \"" << e.title << "\", \"" << e.link << "\", " << e.timestamp << ", "
              << (e.bold ? "bold" : "normal") << ", page of " << e.meldung.size() << "}";
}

// The entries of `list`, each checked for the pairing of record and node.
inline std::vector<Entry> Entries(const exec::List *list)
{
    std::vector<Entry> out;
    for (exec::Node *n = exec::GetHead(list); n; n = exec::GetSucc(n)) {
        auto *node = reinterpret_cast<gui::ListBrowserNode *>(n);
        auto *data = reinterpret_cast<TavrinData *>(n->ln_Name);
        EXPECT_TRUE(fake::IsLiveListNode(node));
        EXPECT_EQ(data->lbnode, node);
        EXPECT_EQ(node->userData, data);
        EXPECT_EQ(node->column[0], data->date);
        EXPECT_EQ(node->column[1], data->title);
        out.push_back({data->date, data->title, data->link, data->timestamp, node->bold, data->meldung});
    }
    return out;
}

// A list that frees its entries when the test ends.
struct ChannelList {
    exec::List list;
    ChannelList() { exec::NewList(&list); }
    ~ChannelList() { FreigebenList(&list); }
    ChannelList(const ChannelList &) = delete;
    ChannelList &operator=(const ChannelList &) = delete;
};
