#pragma once

// Channel lists read back as plain values for table-driven tests and the parser's fuzz target, and the
// test data files.

#include <cstdlib>
#include <ostream>
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

// The entries of `list`. A record and a node that do not belong together stop the run where they are.
inline std::vector<Entry> Entries(const exec::List *list)
{
    std::vector<Entry> out;
    for (exec::Node *n = exec::GetHead(list); n; n = exec::GetSucc(n)) {
        auto *node = reinterpret_cast<gui::ListBrowserNode *>(n);
        auto *data = reinterpret_cast<TavrinData *>(n->ln_Name);
        if (data->lbnode != node || node->userData != data || node->column[0] != data->date
            || node->column[1] != data->title)
            abort();
        out.push_back({data->date, data->title, data->link, data->timestamp, node->bold, data->meldung});
    }
    return out;
}

// The date of the test feeds' newest items as a feed writes it, and its timestamp.
constexpr char DATE[] = "05 Dec 2026 12:34:56";
constexpr ULONG TS = 1544013296;

// The article page of `body` under `title`.
inline std::string Page(const std::string &title, const std::string &body)
{
    return "<html>\n<body>\n<h3>" + title + "</h3>\n" + body + "</body>\n</html>\n";
}

// A list that frees its entries when the test ends.
struct ChannelList {
    exec::List list;
    ChannelList() { exec::NewList(&list); }
    ~ChannelList() { FreigebenList(&list); }
};

using testplat::TestData;
