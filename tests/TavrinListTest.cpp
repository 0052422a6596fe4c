#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "EntryList.h"
#include "TavrinConvert.h"
#include "platform/TestPlatform.h"

// Records and list nodes are made with the nothrow new. This program counts those alive, so that a
// record left behind shows as well as a node, and refuses the next one on request.
static std::atomic<long> gLiveNothrow;
static std::atomic<bool> gFailNextNothrow;

namespace {

constexpr size_t kHead = alignof(std::max_align_t); // in front of each block: whether it is counted

void *Allocate(size_t size, bool nothrow)
{
    auto *block = static_cast<unsigned char *>(std::malloc(kHead + size));
    if (!block)
        return nullptr;
    block[0] = nothrow;
    gLiveNothrow += nothrow;
    return block + kHead;
}

void Release(void *memory)
{
    if (!memory)
        return;
    auto *block = static_cast<unsigned char *>(memory) - kHead;
    gLiveNothrow -= block[0];
    std::free(block);
}

} // namespace

void *operator new(size_t size)
{
    if (void *memory = Allocate(size, false))
        return memory;
    throw std::bad_alloc();
}

void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    return gFailNextNothrow.exchange(false) ? nullptr : Allocate(size, true);
}

void operator delete(void *memory) noexcept
{
    Release(memory);
}

void operator delete(void *memory, size_t) noexcept
{
    Release(memory);
}

namespace {

TEST(DateText, UniDateAndTimestamp)
{
    const std::tuple<const char *, const char *, ULONG> cases[] = {{DATE, "05-12-26", TS},
        {"06 Dec 2026 12:34:56", "06-12-26", TS + 86400}, {"01 Jan 2000 00:00:00", "01-01-00", 694224000},
        {"29 Feb 2024 06:07:08", "29-02-24", 1456726028}, {"31 Dec 2077 23:59:59", "31-12-77", 3155759999u},
        // Impossible dates and times, letters, short and cut texts.
        {"29 Feb 2025 00:00:00", "29-02-25", 0}, {"31 Feb 2026 12:00:00", "31-02-26", 0},
        {"05 Dec 2026 24:00:00", "05-12-26", 0}, {"0x Dec 2026 12:34:56", "0x-12-26", 0},
        {"05 Dec 2026 12:34:", "05-12-26", 0}, {"5 Dec 2026 12:34:56", nullptr, 0}, {"05 Dec 202", nullptr, 0},
        {"", nullptr, 0}};
    for (auto [date, unidate, ts] : cases) {
        EXPECT_STREQ(ConvertToUniDate(date), unidate) << date;
        EXPECT_EQ(EntryTimestamp(date), ts) << date;
    }
}

class ListTest : public testing::Test {
protected:
    void SetUp() override
    {
        testplat::Reset();
        gb_Debug = 0;
        std::fill(std::begin(gb_TS), std::end(gb_TS), 0);
        CreateEntry(&channel.list, "Channel", "", "", DATE, Kestrel_german);
    }
    ChannelList channel;
};

// The header has no date and is never bold; later entries are bold when newer than the channel's last
// seen entry, never in the third channel. Fields are cut to their widths, the title before decoding.
// The newest timestamp of a list is its newest entry's, or the one given when that is newer.
TEST_F(ListTest, HeaderBoldFieldWidthsAndNewest)
{
    gb_TS[Kestrel_german] = gb_TS[Kestrel_english] = TS;
    const std::string title = std::string(77, 't') + "&amp;rest", link(130, 'l'), page(6100, 'p');
    const char later[] = "05 Dec 2026 12:34:57";
    CreateEntry(&channel.list, title.c_str(), link.c_str(), page.c_str(), later, Kestrel_german);
    for (LONG side : {Kestrel_english, VEdod_german})
        CreateEntry(&channel.list, "seen", "l", "", DATE, side);
    EXPECT_EQ(Entries(&channel.list),
        (std::vector<Entry> {{"         ", "Channel", "", 0, false, ""},
            {later, title.substr(0, 80), link.substr(0, 120), TS + 1, true, page.substr(0, 5999)},
            {DATE, "seen", "l", TS, false, ""}, {DATE, "seen", "l", TS, false, ""}}));
    EXPECT_EQ(GetMaxTS(&channel.list, 7), TS + 1);
    EXPECT_EQ(GetMaxTS(&channel.list, TS + 2), TS + 2);
    ChannelList empty;
    EXPECT_EQ(GetMaxTS(&empty.list, 42), 42u);
}

// Out of memory for the record or for its node: nothing of the entry stays alive, the requester says
// which failed, and the parser goes on with the next item.
TEST_F(ListTest, AllocationFailureFreesTheEntryAndShowsTheRequester)
{
    const std::pair<void (*)(), const char *> cases[]
        = {{[] { gFailNextNothrow = true; }, "Out of memory for list data"},
            {[] { fake::FailNextListNodeAlloc(); }, "Out of memory for list entry"}};
    for (const auto &[fail, shown] : cases) {
        testplat::Reset();
        const long live = gLiveNothrow;
        fail();
        EXPECT_FALSE(CreateEntry(&channel.list, "Lost", "l", "", DATE, Kestrel_german));
        EXPECT_EQ(gLiveNothrow, live) << shown << ": records and nodes alive";
        EXPECT_EQ(testplat::Requesters().at(0).body, shown);
    }
    EXPECT_TRUE(CreateEntry(&channel.list, "Next", "l", "", DATE, Kestrel_german));
    EXPECT_EQ(Entries(&channel.list).size(), 2u);
}

} // namespace
