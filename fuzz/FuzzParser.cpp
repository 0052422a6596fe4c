// Fuzz target: a feed through ParseNewsfile, CreateEntry and PrepareDescription, checked against the
// same parse done with plain searches. The first byte chooses the channel, the debug lines, whether
// entries are new and whether the first entry's list node fails; the rest is the feed text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "EntryList.h"
#include "FuzzCheck.h"
#include "ReferenceParse.h"
#include "TavrinConvert.h"
#include "platform/FakeListNode.h"

namespace {

// The entries that `parse` makes of `text`, and the text it leaves.
std::pair<std::vector<Entry>, std::vector<char>> Parse(
    std::vector<char> text, LONG side, bool failFirstNode, void (*parse)(exec::List *, char *, LONG))
{
    ChannelList list;
    fake::FailNextListNodeAlloc(failFirstNode);
    parse(&list.list, text.data(), side);
    fake::FailNextListNodeAlloc(false);
    return {Entries(&list.list), text};
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
    if (Parse(text, side, data[0] & 0x20, ours) != Parse(text, side, data[0] & 0x20, ReferenceParse))
        Fail("parser and plain searches disagree");
    if (fake::LiveListNodes() != 0)
        Fail("list nodes left after FreigebenList");
    return 0;
}
