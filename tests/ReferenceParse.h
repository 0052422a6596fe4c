#pragma once

// The feed parser's and the article page's steps done the plain way, for checking the program's
// faster ones against: every search is a strstr from the scan position, every page character is
// looked at on its own. Entries are built with CreateEntry as the parser does.

#include <cctype>
#include <cstring>

#include "TavrinPipeline.h"
#include "platform/dos.h"

inline bool ReferenceEntityAt(const char *p, const char *entity)
{
    for (; *entity; p++, entity++) {
        if (!*p || tolower(UBYTE(*p)) != *entity)
            return false;
    }
    return true;
}

// The page of PrepareDescription, in a buffer of MELDUNG_SIZE bytes.
inline void ReferencePage(char *page, const char *buffer, ULONG buflen, const char *title)
{
    static const struct {
        const char *text;
        char decoded;
    } entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}};
    static const char pageEnd[] = "</body>\n</html>\n";
    if (buflen > 5950)
        buflen = 5950;
    size_t o = 0;
    for (const char *part : {"<html>\n<body>\n", "<h3>", title, "</h3>\n"}) {
        while (o < 99 && *part)
            page[o++] = *part++;
    }
    for (size_t i = 0; i < buflen && o < MELDUNG_SIZE - sizeof(pageEnd);) {
        const char *p = buffer + i;
        int e = 0;
        while (*p == '&' && e < 4 && !ReferenceEntityAt(p, entities[e].text))
            e++;
        if (*p != '&') {
            page[o++] = *p;
            i++;
        } else if (e < 4) {
            page[o++] = entities[e].decoded;
            i += strlen(entities[e].text);
        } else {
            dos::Printf("Nicht unterstütztes Sonderzeichen: %.6s\n", p);
            page[o++] = '&';
            i++;
        }
    }
    memcpy(page + o, pageEnd, sizeof(pageEnd));
}

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
    static char page[MELDUNG_SIZE];
    char *pos = buffer;
    bool first = true;
    for (;;) {
        char *title = ReferenceCut(pos, "<title>", "</title>");
        page[0] = '\0';
        if (pos && title) {
            char *open = strstr(pos, "<description>");
            char *close = strstr(pos, "</description>");
            if (open && close && close > open + 13 + 3)
                ReferencePage(page, open + 13, ULONG(close - 3 - (open + 13)), title);
        }
        char *link = ReferenceCut(pos, "<link>", "</link>");
        char *date = first || side == VEdod_german ? noDate : ReferenceDate(pos);
        if (!title || !link || !date)
            return;
        CreateEntry(list, title, link, page, date, side);
        first = false;
    }
}
