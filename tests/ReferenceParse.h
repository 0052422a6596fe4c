#pragma once

// The feed parser's steps done the plain way, every search a strstr from the scan position, for
// checking the parser's own scanner against. It builds its entries with CreateEntry as the parser does.

#include <cstring>

#include "TavrinPipeline.h"

inline char *ReferenceCut(char *&pos, const char *open, const char *close)
{
    if (!pos)
        return nullptr;
    char *start = strstr(pos, open);
    if (!start) {
        pos = nullptr;
        return nullptr;
    }
    pos = start + strlen(open);
    char *end = strstr(pos, close);
    if (!end)
        return nullptr;
    *end = '\0';
    char *field = pos;
    pos = end + 1;
    return field;
}

inline char *ReferenceDate(char *&pos)
{
    if (!pos)
        return nullptr;
    char *tag = strstr(pos, "<pubDate>");
    if (!tag) {
        pos = nullptr;
        return nullptr;
    }
    size_t weekday = strnlen(tag + 9, 5);
    pos = tag + 9 + weekday;
    if (weekday < 5)
        return nullptr;
    char *close = strstr(pos, "</pubDate>");
    if (!close)
        return nullptr;
    char *end = close - pos >= 6 ? close - 6 : pos;
    *end = '\0';
    char *date = pos;
    pos = close + 1;
    return date;
}

inline void ReferenceParse(exec::List *list, char *buffer, LONG side)
{
    static char noDate[] = "";
    char *pos = buffer;
    bool first = true;
    for (;;) {
        char *title = ReferenceCut(pos, "<title>", "</title>");
        gb_Meldung[0] = '\0';
        if (pos && title) {
            char *open = strstr(pos, "<description>");
            char *close = strstr(pos, "</description>");
            if (open && close && close > open + 13 + 3)
                PrepareDescription(open + 13, ULONG(close - 3 - (open + 13)), title);
        }
        char *link = ReferenceCut(pos, "<link>", "</link>");
        char *date = first || side == VEdod_german ? noDate : ReferenceDate(pos);
        if (!title || !link || !date)
            return;
        CreateEntry(list, title, link, gb_Meldung, date, side);
        first = false;
    }
}
