#pragma once

// The feed parser's and the article page's steps done the plain way, for checking the program's
// faster ones against: every search is a strstr from the scan position, every page character is
// looked at on its own. Entries are built with CreateEntry as the parser does.

#include <algorithm>
#include <cstring>
#include <string>
#include <strings.h>

#include "TavrinConvert.h"
#include "platform/dos.h"

// The four entities of the `len` characters at `text` decoded one character at a time, at most `room`
// characters written: in any case with unknown ones reported, as the page does, or in exact case
// silently, as titles are.
inline std::string ReferenceDecode(const char *text, size_t len, size_t room, bool anyCase)
{
    static const char *const entities[] = {"&lt;", "&gt;", "&amp;", "&quot;"};
    const auto compare = anyCase ? strncasecmp : strncmp;
    std::string out;
    for (size_t i = 0; i < len && out.size() < room; i++) {
        int e = 0;
        while (text[i] == '&' && e < 4 && compare(text + i, entities[e], strlen(entities[e])) != 0)
            e++;
        if (text[i] != '&') {
            out += text[i];
        } else if (e < 4) {
            out += "<>&\""[e];
            i += strlen(entities[e]) - 1;
        } else {
            if (anyCase)
                dos::Printf("Nicht unterstütztes Sonderzeichen: %.6s\n", text + i);
            out += '&';
        }
    }
    return out;
}

// The page of PrepareDescription for the `len` characters at `text`.
inline std::string ReferencePage(const char *text, ULONG len, const std::string &title)
{
    const std::string end = "</body>\n</html>\n";
    const std::string header = ("<html>\n<body>\n<h3>" + title + "</h3>\n").substr(0, 99);
    return header
        + ReferenceDecode(text, std::min<ULONG>(len, 5950), MELDUNG_SIZE - 1 - end.size() - header.size(), true) + end;
}

// A title as HtmlToAscii leaves it.
inline std::string ReferenceTitle(const char *title)
{
    return ReferenceDecode(title, strlen(title), 99, false);
}

// Cuts the field behind `open` up to `close` in place and moves `pos` behind the field. `skip`
// characters behind `open` are passed over (the text may end among them), `trim` characters in front
// of `close` are dropped. A missing `open` ends the scan (`pos` null).
inline char *ReferenceCut(char *&pos, const char *open, const char *close, size_t skip = 0, size_t trim = 0)
{
    char *start = pos ? strstr(pos, open) : nullptr;
    if (!start)
        return pos = nullptr;
    start += strlen(open);
    pos = start + strnlen(start, skip);
    char *end = pos == start + skip ? strstr(pos, close) : nullptr;
    if (!end)
        return nullptr;
    *(size_t(end - pos) > trim ? end - trim : pos) = '\0';
    start = pos;
    pos = end + 1;
    return start;
}

inline void ReferenceParse(exec::List *list, char *buffer, LONG side)
{
    static char noDate[] = "";
    char *pos = buffer;
    for (bool first = true;; first = false) {
        char *title = ReferenceCut(pos, "<title>", "</title>");
        char *open = pos && title ? strstr(pos, "<description>") : nullptr;
        char *close = open ? strstr(pos, "</description>") : nullptr;
        // The description's last three characters are dropped.
        std::string page = close && close > open + 16 ? ReferencePage(open + 13, ULONG(close - open - 16), title) : "";
        char *link = ReferenceCut(pos, "<link>", "</link>");
        char *date = first || side == VEdod_german ? noDate : ReferenceCut(pos, "<pubDate>", "</pubDate>", 5, 6);
        if (!title || !link || !date)
            return;
        CreateEntry(list, title, link, page.c_str(), date, side);
    }
}
