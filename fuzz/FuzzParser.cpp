// Fuzz target: a feed through ParseNewsfile, CreateEntry and PrepareDescription, checked against the
// same parse done with plain searches. The first byte chooses the channel, the debug lines, whether
// entries are new and whether the first entry's list node fails; the rest is the feed text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ReferenceParse.h"
#include "TavrinPipeline.h"
#include "platform/FakeListNode.h"

namespace {

// The entries of `list` as one text; stops the run when a record and its node do not belong together.
std::string Entries(const exec::List *list)
{
    std::string s;
    for (const exec::Node *n = exec::GetHead(list); n; n = exec::GetSucc(n)) {
        auto *node = reinterpret_cast<const gui::ListBrowserNode *>(n);
        auto *r = reinterpret_cast<const TavrinData *>(n->ln_Name);
        if (r->lbnode != node || node->userData != r || node->column[0] != r->date || node->column[1] != r->title)
            abort();
        s += std::string(r->date) + '|' + r->title + '|' + r->link + '|' + r->meldung + '|'
            + std::to_string(r->timestamp) + (node->bold ? "|bold\n" : "|normal\n");
    }
    return s;
}

std::string Parse(std::vector<char> text, LONG side, bool failFirstNode, void (*parse)(exec::List *, char *, LONG))
{
    exec::List list;
    exec::NewList(&list);
    fake::FailNextListNodeAlloc(failFirstNode);
    parse(&list, text.data(), side);
    fake::FailNextListNodeAlloc(false);
    std::string entries = Entries(&list) + std::string(text.begin(), text.end());
    FreigebenList(&list);
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const LONG side = LONG(data[0] % 3);
    gb_Debug = data[0] & 0x80 ? DEBUG_PARSER : 0;
    gb_TS[Kestrel_german] = gb_TS[Kestrel_english] = data[0] & 0x40 ? 1544000000u : 0;
    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    auto ours = [](exec::List *list, char *buffer, LONG s) { ParseNewsfile(list, buffer, s); };
    if (Parse(text, side, data[0] & 0x20, ours) != Parse(text, side, data[0] & 0x20, ReferenceParse)) {
        fprintf(stderr, "parser and plain searches disagree\n");
        abort();
    }
    if (fake::LiveListNodes() != 0) {
        fprintf(stderr, "list nodes left after FreigebenList\n");
        abort();
    }
    return 0;
}
