#include <cstring>
#include <new>

#include "TavrinConvert.h"
#include "TavrinLocale.h"
#include "platform/dos.h"

namespace {

// The channel header has no date; its column shows blanks of a date's width.
constexpr char headerDate[] = "         ";

bool Digits2(CONST_STRPTR p, int *value)
{
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9')
        return false;
    *value = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Days from 1 January 1978 to the given date, which must be valid (1978 to 2077).
ULONG DaysSince1978(int year, int month, int day)
{
    static const int beforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    // Leap days of the years before `year`; 2000 is the only century year in range and is one.
    int y = year - 1;
    int leaps = (y / 4 - y / 100 + y / 400) - (1977 / 4 - 1977 / 100 + 1977 / 400);
    int days = (year - 1978) * 365 + leaps + beforeMonth[month - 1] + (month > 2 && IsLeap(year)) + day - 1;
    return ULONG(days);
}

// "DD-MM-YY" from ConvertToUniDate.
bool ReadDate(CONST_STRPTR dmy, int *year, int *month, int *day)
{
    int yy;
    if (!Digits2(dmy, day) || !Digits2(dmy + 3, month) || !Digits2(dmy + 6, &yy))
        return false;
    *year = yy < 78 ? 2000 + yy : 1900 + yy;
    return *month >= 1 && *month <= 12 && *day >= 1 && *day <= DaysInMonth(*year, *month);
}

// The eight characters "HH:MM:SS" at positions 12 to 19 of the date text.
bool ReadTime(CONST_STRPTR date, ULONG *seconds)
{
    if (strnlen(date, 20) < 20)
        return false;
    CONST_STRPTR t = date + 12;
    int h, m, s;
    if (!Digits2(t, &h) || t[2] != ':' || !Digits2(t + 3, &m) || t[5] != ':' || !Digits2(t + 6, &s))
        return false;
    if (h > 23 || m > 59 || s > 59)
        return false;
    *seconds = ULONG(h * 3600 + m * 60 + s);
    return true;
}

// Copies `src` cut to size-1 characters and fills the rest of `dst` with NULs.
void CopyCut(char *dst, CONST_STRPTR src, ULONG size)
{
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    memset(dst + n, 0, size - n);
}

// A record followed by room for a page of `pageLength` characters and its NUL, or null. Most pages
// are far shorter than the 5999 characters a page may have: room for the longest in every record
// would cost several times the memory, and as many page faults while a list is built.
TavrinData *AllocEntry(size_t pageLength)
{
    void *memory = ::operator new(sizeof(TavrinData) + pageLength + 1, std::nothrow);
    if (!memory)
        return nullptr;
    auto *data = new (memory) TavrinData;
    data->meldung = reinterpret_cast<char *>(data + 1);
    return data;
}

void FreeEntry(TavrinData *data)
{
    ::operator delete(data);
}

unsigned long Addr(const void *p)
{
    return reinterpret_cast<unsigned long>(p);
}

} // namespace

ULONG EntryTimestamp(CONST_STRPTR date)
{
    CONST_STRPTR dmy = ConvertToUniDate(date);
    int year, month, day;
    ULONG seconds;
    if (!dmy || !ReadDate(dmy, &year, &month, &day) || !ReadTime(date, &seconds))
        return 0;
    return DaysSince1978(year, month, day) * 86400 + seconds;
}

namespace {

BOOL AddEntry(exec::List *list, CONST_STRPTR title, CONST_STRPTR link, CONST_STRPTR meldung, CONST_STRPTR date,
    LONG side, bool decodeTitle)
{
    if (exec::IsListEmpty(list))
        date = headerDate;
    // Title and date are cut and converted on the stack and stored once: reading the freshly written
    // record back would wait for its stores to reach the cache.
    char cutTitle[sizeof(TavrinData::title)];
    char cutDate[sizeof(TavrinData::date)];
    CopyCut(cutTitle, title, sizeof(cutTitle));
    if (decodeTitle)
        HtmlToAscii(cutTitle);
    CopyCut(cutDate, date, sizeof(cutDate));
    ULONG timestamp = cutDate[0] ? EntryTimestamp(cutDate) : 0;

    // Every field is written below, so the record is not cleared first.
    const size_t pageLength = strnlen(meldung, MELDUNG_SIZE - 1);
    TavrinData *data = AllocEntry(pageLength);
    gui::ListBrowserNode *node = nullptr;
    if (!data) {
        DisplayRequester(REQType_Error, GetString(ERR_NoMemForListdata), GetString(TX_Ok));
    } else {
        memcpy(data->date, cutDate, sizeof(cutDate));
        memcpy(data->title, cutTitle, sizeof(cutTitle));
        CopyCut(data->link, link, sizeof(data->link));
        memcpy(data->meldung, meldung, pageLength);
        data->meldung[pageLength] = '\0';
        data->timestamp = timestamp;
        data->lbnode = nullptr;
        bool bold = side >= 0 && side < VEdod_german && timestamp > gb_TS[side];
        if (gb_Debug & DEBUG_PARSER)
            dos::Printf("   CreateEntry <%s> %s TS=%ld\n", cutTitle, bold ? "bold" : "normal", long(timestamp));
        node = gui::AllocListBrowserNode(data->date, data->title, bold, data);
        if (node) {
            node->ln.ln_Name = reinterpret_cast<char *>(data);
            exec::AddTail(list, &node->ln);
            data->lbnode = node;
        } else {
            FreeEntry(data);
            data = nullptr;
            DisplayRequester(REQType_Error, GetString(ERR_NoMemForListentry), GetString(TX_Ok));
        }
    }
    if (gb_Debug & DEBUG_PARSER)
        dos::Printf("   CreateEntry fertig $%lx LBN $%lx\n", Addr(data), Addr(node));
    return data && node ? TRUE : FALSE;
}

} // namespace

BOOL CreateEntry(
    exec::List *list, CONST_STRPTR title, CONST_STRPTR link, CONST_STRPTR meldung, CONST_STRPTR date, LONG side)
{
    return AddEntry(list, title, link, meldung, date, side, true);
}

BOOL CreateFeedEntry(
    exec::List *list, CONST_STRPTR title, CONST_STRPTR link, CONST_STRPTR meldung, CONST_STRPTR date, LONG side)
{
    return AddEntry(list, title, link, meldung, date, side, false);
}

void FreigebenList(exec::List *list)
{
    exec::Node *node = exec::GetHead(list);
    while (node) {
        exec::Node *next = exec::GetSucc(node);
        auto *data = reinterpret_cast<TavrinData *>(node->ln_Name);
        exec::Remove(node);
        // The node's column texts live in the record: the node goes first.
        gui::FreeListBrowserNode(reinterpret_cast<gui::ListBrowserNode *>(node));
        FreeEntry(data);
        node = next;
    }
}

ULONG GetMaxTS(exec::List *list, ULONG maxold)
{
    ULONG result = maxold;
    for (exec::Node *node = exec::GetHead(list); node; node = exec::GetSucc(node)) {
        auto *data = reinterpret_cast<const TavrinData *>(node->ln_Name);
        if (data && data->timestamp > result)
            result = data->timestamp;
    }
    if (gb_Debug & DEBUG_PARSER)
        dos::Printf("        MaxTS > %ld\n", long(result));
    return result;
}
