// Fuzz target: a feed through ParseNewsfile, CreateEntry and PrepareDescription, checked against the
// same parse done with plain searches. The first byte chooses the channel, the debug lines, whether
// entries are new and whether the first entry's list node fails; the rest is the feed text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ReferenceParse.h"
#include "TavrinPipeline.h"
#include "platform/FakeListNode.h"

namespace {

bool SameRecord(const TavrinData *a, const TavrinData *b)
{
    return strcmp(a->date, b->date) == 0 && strcmp(a->title, b->title) == 0 && strcmp(a->link, b->link) == 0
        && strcmp(a->meldung, b->meldung) == 0 && a->timestamp == b->timestamp;
}

bool SameEntries(const exec::List *a, const exec::List *b)
{
    const exec::Node *x = exec::GetHead(a);
    const exec::Node *y = exec::GetHead(b);
    for (; x && y; x = exec::GetSucc(x), y = exec::GetSucc(y)) {
        auto *nx = reinterpret_cast<const gui::ListBrowserNode *>(x);
        auto *ny = reinterpret_cast<const gui::ListBrowserNode *>(y);
        auto *rx = reinterpret_cast<const TavrinData *>(x->ln_Name);
        auto *ry = reinterpret_cast<const TavrinData *>(y->ln_Name);
        if (rx->lbnode != nx || nx->userData != rx || nx->column[0] != rx->date || nx->column[1] != rx->title)
            return false;
        if (nx->bold != ny->bold || !SameRecord(rx, ry))
            return false;
    }
    return !x && !y;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const UBYTE control = data[0];
    const LONG side = LONG(control % 3);
    gb_Debug = control & 0x80 ? DEBUG_PARSER : 0;
    gb_TS[Kestrel_german] = gb_TS[Kestrel_english] = control & 0x40 ? 1544000000u : 0;
    const bool failFirstNode = control & 0x20;

    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    std::vector<char> plain = text;
    exec::List ours, reference;
    exec::NewList(&ours);
    exec::NewList(&reference);
    fake::FailNextListNodeAlloc(failFirstNode);
    ParseNewsfile(&ours, text.data(), side);
    fake::FailNextListNodeAlloc(failFirstNode);
    ReferenceParse(&reference, plain.data(), side);
    fake::FailNextListNodeAlloc(false);
    if (!SameEntries(&ours, &reference) || text != plain) {
        fprintf(stderr, "parser and plain searches disagree\n");
        abort();
    }
    FreigebenList(&ours);
    FreigebenList(&reference);
    if (fake::LiveListNodes() != 0) {
        fprintf(stderr, "list nodes left after FreigebenList\n");
        abort();
    }
    return 0;
}
