#pragma once

// Channel lists read back as plain values for table-driven tests, and the test data files.

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Tavrin.h"
#include "platform/FakeListNode.h"
#include "platform/TestPlatform.h"

struct Entry {
    std::string date, title, link;
    ULONG timestamp;
    bool bold;
    std::string meldung;

    bool operator==(const Entry &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Entry &e)
{
    return os << "{" << e.date << " | " << e.title << " | " << e.link << " | " << e.timestamp
              << (e.bold ? " bold" : " normal") << " | page of " << e.meldung.size() << "}";
}

// The entries of `list`, each checked for the pairing of record and node.
inline std::vector<Entry> Entries(const exec::List *list)
{
    std::vector<Entry> out;
    for (exec::Node *n = exec::GetHead(list); n; n = exec::GetSucc(n)) {
        auto *node = reinterpret_cast<gui::ListBrowserNode *>(n);
        auto *data = reinterpret_cast<TavrinData *>(n->ln_Name);
        EXPECT_TRUE(data->lbnode == node && node->userData == data && node->column[0] == data->date
            && node->column[1] == data->title);
        out.push_back({data->date, data->title, data->link, data->timestamp, node->bold, data->meldung});
    }
    return out;
}

// A list that frees its entries when the test ends.
struct ChannelList {
    exec::List list;
    ChannelList() { exec::NewList(&list); }
    ~ChannelList() { FreigebenList(&list); }
};

inline std::string TestData(const std::string &name)
{
    const char *dir = getenv("TAVRIN_TEST_DATA");
    return testplat::ReadFile(std::string(dir ? dir : "tests/data") + "/" + name);
}
