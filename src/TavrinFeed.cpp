#include "TavrinFeed.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "TavrinConvert.h"
#include "TavrinFeedParts.h"
#include "TavrinLocale.h"
#include "platform/dos.h"
#include "platform/xml.h"

// The feed is read as XML in one pass. The fields of the channel and of the item being read are
// collected as their elements end; a finished item becomes a compact record, and the list is built
// from the records at the end, the feed's own title first, since a feed may name it after its items.
// Only the direct children of a channel or item count: the title of an RSS image or of an Atom
// entry's source is not the channel's or the entry's.

namespace {

enum Kind : UBYTE {
    Kind_Other,
    Kind_Channel, // RSS channel, Atom feed
    Kind_Item, // RSS item, Atom entry
    Kind_Title,
    Kind_Link, // RSS link: an address as text
    Kind_AtomLink, // Atom link: an address in attributes
    Kind_Guid,
    Kind_Summary, // RSS description, Atom summary and subtitle
    Kind_Content, // content:encoded, Atom content
    Kind_PubDate, // the dates in the order they are preferred
    Kind_DcDate,
    Kind_Published,
    Kind_Updated,
};
constexpr int DATE_KINDS = 4;

// RSS 0.9x and 2.0 use no namespace; RSS 0.90 and 1.0 have their own.
enum Space : UBYTE { Space_Rss, Space_Atom, Space_Dc, Space_Content, Space_Other };

struct Element {
    Kind kind;
    Space space;
};

Space SpaceOf(const char *uri, size_t length)
{
    static const struct {
        const char *uri;
        Space space;
    } spaces[] = {
        {"http://www.w3.org/2005/Atom", Space_Atom},
        {"http://purl.org/rss/1.0/", Space_Rss},
        {"http://my.netscape.com/rdf/simple/0.9/", Space_Rss},
        {"http://backend.userland.com/rss2", Space_Rss},
        {"http://purl.org/dc/elements/1.1/", Space_Dc},
        {"http://purl.org/rss/1.0/modules/content/", Space_Content},
    };
    for (const auto &s : spaces) {
        if (strlen(s.uri) == length && memcmp(s.uri, uri, length) == 0)
            return s.space;
    }
    return Space_Other;
}

const char *LocalName(const char *name)
{
    const char *blank = strrchr(name, ' ');
    return blank ? blank + 1 : name;
}

Element Classify(const char *name)
{
    static const struct {
        Space space;
        const char *local;
        Kind kind;
    } known[] = {
        {Space_Rss, "item", Kind_Item},
        {Space_Rss, "title", Kind_Title},
        {Space_Rss, "link", Kind_Link},
        {Space_Rss, "description", Kind_Summary},
        {Space_Rss, "pubDate", Kind_PubDate},
        {Space_Rss, "guid", Kind_Guid},
        {Space_Rss, "channel", Kind_Channel},
        {Space_Atom, "entry", Kind_Item},
        {Space_Atom, "title", Kind_Title},
        {Space_Atom, "link", Kind_AtomLink},
        {Space_Atom, "summary", Kind_Summary},
        {Space_Atom, "content", Kind_Content},
        {Space_Atom, "published", Kind_Published},
        {Space_Atom, "updated", Kind_Updated},
        {Space_Atom, "subtitle", Kind_Summary},
        {Space_Atom, "feed", Kind_Channel},
        {Space_Dc, "date", Kind_DcDate},
        {Space_Content, "encoded", Kind_Content},
    };
    const char *local = LocalName(name);
    const Space space = local == name ? Space_Rss : SpaceOf(name, size_t(local - 1 - name));
    if (space != Space_Other) {
        for (const auto &k : known) {
            if (k.space == space && strcmp(k.local, local) == 0)
                return {k.kind, space};
        }
    }
    return {Kind_Other, space};
}

const char *Attribute(const char *const *attributes, const char *name)
{
    for (; *attributes; attributes += 2) {
        if (strcmp(attributes[0], name) == 0)
            return attributes[1];
    }
    return nullptr;
}

bool SameText(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    }
    return *a == *b;
}

// How a text's characters are meant.
enum Form : UBYTE { Form_Text, Form_Html, Form_Xhtml, Form_None };

// The form of an Atom text: its type, or for content also a media type. Content that lies elsewhere
// (src) or is no text (an image) is not read.
Form AtomForm(const char *const *attributes, bool content)
{
    const char *type = Attribute(attributes, "type");
    if (content && Attribute(attributes, "src"))
        return Form_None;
    if (!type || SameText(type, "text") || SameText(type, "text/plain"))
        return Form_Text;
    if (SameText(type, "html") || SameText(type, "text/html"))
        return Form_Html;
    if (SameText(type, "xhtml") || SameText(type, "application/xhtml+xml"))
        return Form_Xhtml;
    return content && strncmp(type, "text/", 5) == 0 ? Form_Text : content ? Form_None : Form_Text;
}

constexpr ULONG TITLE_SIZE = 1024;
// A little more than a page shows, so that the page knows when a text was cut.
constexpr ULONG BODY_SIZE = 6016;
constexpr ULONG DATE_SIZE = 64;
// The title as the page's heading shows it; the list shows the first 80 bytes.
constexpr ULONG PLAIN_TITLE_SIZE = 201;
constexpr char XML_BASE[] = "http://www.w3.org/XML/1998/namespace base";

// The fields of the channel or of one item.
struct Fields {
    char title[TITLE_SIZE];
    ULONG titleLength;
    Form titleForm;
    bool hasTitle;
    char summary[BODY_SIZE];
    ULONG summaryLength;
    bool hasSummary;
    char content[BODY_SIZE];
    ULONG contentLength;
    bool hasContent;
    // The addresses, preferred in this order: the RSS link and a guid that is a permalink, both as
    // written, and an Atom alternate link, resolved against its own base at once.
    char rssLink[URL_SIZE];
    char atomLink[URL_SIZE];
    char guid[URL_SIZE];
    int64_t date[DATE_KINDS];
    bool hasDate[DATE_KINDS];
    // What relative addresses inside resolve against.
    char base[URL_SIZE];
};

void Reset(Fields &f, const char *base, const char *const *attributes)
{
    f.titleLength = f.summaryLength = f.contentLength = 0;
    f.titleForm = Form_Text;
    f.hasTitle = f.hasSummary = f.hasContent = false;
    f.rssLink[0] = f.atomLink[0] = f.guid[0] = '\0';
    for (bool &d : f.hasDate)
        d = false;
    const char *own = Attribute(attributes, XML_BASE);
    if (!own || !ResolveUrl(base, own, f.base))
        Strlcpy(f.base, base, URL_SIZE);
}

// A finished entry; its page follows it.
struct Record {
    char title[sizeof(TavrinData::title)];
    char link[sizeof(TavrinData::link)];
    char date[sizeof(TavrinData::date)];
    ULONG pageLength;
};

// The records of finished items, one after the other.
struct Records {
    char *data = nullptr;
    size_t used = 0, size = 0;
    bool lost = false; // an item found no memory
};

Record *NewRecord(Records &r)
{
    const size_t need = sizeof(Record) + MELDUNG_SIZE;
    if (r.size - r.used < need) {
        const size_t size = r.size * 2 > r.used + need ? r.size * 2 : r.used + need;
        char *data = static_cast<char *>(realloc(r.data, size));
        if (!data) {
            r.lost = true;
            return nullptr;
        }
        r.data = data;
        r.size = size;
    }
    return reinterpret_cast<Record *>(r.data + r.used);
}

// The bytes of a record and its page, up to where the next record may start.
size_t RecordSpan(const Record *record)
{
    const size_t length = sizeof(Record) + record->pageLength + 1;
    return (length + alignof(Record) - 1) / alignof(Record) * alignof(Record);
}

struct Reader {
    Fields channel, item;
    LONG depth = 0;
    LONG channelDepth = -1; // -2 once the channel has ended
    LONG itemDepth = -1;
    bool sawFeed = false;
    CONST_STRPTR feedUrl;
    char feedBase[URL_SIZE];

    // The element whose text is being collected (Kind_Other: none), and where its text goes.
    Kind collecting = Kind_Other;
    Fields *fields = nullptr;
    char *into = nullptr;
    ULONG room = 0, length = 0;
    bool markup = false; // child elements are kept as tags (a page's text)
    bool escape = false; // characters are escaped as HTML (a page's text that is not HTML)
    LONG nested = 0; // elements open inside the collected one
    char date[DATE_SIZE];

    Records records;
};

void Raw(Reader &r, const char *text, ULONG n)
{
    const bool fits = n <= r.room - r.length;
    if (!fits)
        n = Utf8Cut(text, n, r.room - r.length);
    memcpy(r.into + r.length, text, n);
    r.length += n;
    // Full: what follows would not belong to what was kept.
    if (!fits)
        r.room = r.length;
}

void Escaped(Reader &r, const char *text, ULONG n, bool quotes)
{
    ULONG start = 0;
    for (ULONG i = 0; i < n; i++) {
        CONST_STRPTR escape = HtmlEscape(text[i], quotes);
        if (!escape)
            continue;
        Raw(r, text + start, i - start);
        // An escape goes in whole or not at all.
        const ULONG e = ULONG(strlen(escape));
        if (e > r.room - r.length)
            r.room = r.length;
        else
            Raw(r, escape, e);
        start = i + 1;
    }
    Raw(r, text + start, n - start);
}

void Text(Reader &r, const char *text, ULONG n)
{
    if (r.escape)
        Escaped(r, text, n, false);
    else
        Raw(r, text, n);
}

void Collect(Reader &r, Kind kind, Fields *f, char *into, ULONG size, Form form, bool page)
{
    r.collecting = kind;
    r.fields = f;
    r.into = into;
    r.room = size - 1;
    r.length = 0;
    r.markup = page;
    r.escape = page && form != Form_Html;
    r.nested = 0;
}

// An element inside a page's text, written back as a tag (XHTML content, or markup that a feed
// left unescaped in its description). Its namespace is dropped.
void StartTag(Reader &r, const char *name, const char **attributes)
{
    const char *local = LocalName(name);
    Raw(r, "<", 1);
    Raw(r, local, ULONG(strlen(local)));
    for (; *attributes; attributes += 2) {
        const char *attribute = LocalName(attributes[0]);
        Raw(r, " ", 1);
        Raw(r, attribute, ULONG(strlen(attribute)));
        Raw(r, "=\"", 2);
        Escaped(r, attributes[1], ULONG(strlen(attributes[1])), true);
        Raw(r, "\"", 1);
    }
    Raw(r, ">", 1);
}

void EndTag(Reader &r, const char *name)
{
    static const char *const empty[]
        = {"br", "hr", "img", "input", "meta", "link", "area", "base", "col", "embed", "source", "track", "wbr"};
    const char *local = LocalName(name);
    for (const char *e : empty) {
        if (strcmp(e, local) == 0)
            return;
    }
    Raw(r, "</", 2);
    Raw(r, local, ULONG(strlen(local)));
    Raw(r, ">", 1);
}

void StartField(Reader &r, Fields &f, Element e, const char **attributes)
{
    switch (e.kind) {
    case Kind_Title:
        if (f.hasTitle)
            break;
        f.hasTitle = true;
        f.titleForm = e.space == Space_Atom ? AtomForm(attributes, false) : Form_Text;
        Collect(r, e.kind, &f, f.title, TITLE_SIZE, f.titleForm, false);
        break;
    case Kind_Link:
        if (!f.rssLink[0])
            Collect(r, e.kind, &f, f.rssLink, URL_SIZE, Form_Text, false);
        break;
    case Kind_AtomLink: {
        const char *rel = Attribute(attributes, "rel");
        const char *href = Attribute(attributes, "href");
        if (f.atomLink[0] || !href || (rel && !SameText(rel, "alternate")))
            break;
        const char *own = Attribute(attributes, XML_BASE);
        char base[URL_SIZE];
        if (!own || !ResolveUrl(f.base, own, base))
            Strlcpy(base, f.base, URL_SIZE);
        ResolveUrl(base, href, f.atomLink);
        break;
    }
    case Kind_Guid: {
        const char *permalink = Attribute(attributes, "isPermaLink");
        if (!f.guid[0] && !(permalink && SameText(permalink, "false")))
            Collect(r, e.kind, &f, f.guid, URL_SIZE, Form_Text, false);
        break;
    }
    case Kind_Summary:
    case Kind_Content: {
        bool &has = e.kind == Kind_Summary ? f.hasSummary : f.hasContent;
        const Form form = e.space == Space_Atom ? AtomForm(attributes, e.kind == Kind_Content) : Form_Html;
        if (has || form == Form_None)
            break;
        has = true;
        Collect(r, e.kind, &f, e.kind == Kind_Summary ? f.summary : f.content, BODY_SIZE, form, true);
        break;
    }
    case Kind_PubDate:
    case Kind_DcDate:
    case Kind_Published:
    case Kind_Updated:
        if (!f.hasDate[e.kind - Kind_PubDate])
            Collect(r, e.kind, &f, r.date, DATE_SIZE, Form_Text, false);
        break;
    default:
        break;
    }
}

void EndField(Reader &r)
{
    Fields &f = *r.fields;
    r.into[r.length] = '\0';
    switch (r.collecting) {
    case Kind_Title:
        f.titleLength = r.length;
        break;
    case Kind_Link:
    case Kind_Guid:
        break;
    case Kind_Summary:
        f.summaryLength = r.length;
        break;
    case Kind_Content:
        f.contentLength = r.length;
        break;
    default: {
        const int d = r.collecting - Kind_PubDate;
        f.hasDate[d] = ParseFeedDate(r.date, &f.date[d]);
        break;
    }
    }
    r.collecting = Kind_Other;
}

bool HasText(const char *text, ULONG length)
{
    for (ULONG i = 0; i < length; i++) {
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
            return true;
    }
    return false;
}

// The first address that the entry's field holds whole, else the first (the entry cuts it).
void ChooseLink(const Fields &f, char *link)
{
    char first[URL_SIZE] = "";
    for (int c = 0; c < 3; c++) {
        char address[URL_SIZE];
        // A guid is an address only when it is written as a whole one.
        const bool ok = c == 0 ? f.rssLink[0] && ResolveUrl(f.base, f.rssLink, address)
            : c == 1           ? Strlcpy(address, f.atomLink, URL_SIZE) > 0
                               : f.guid[0] && ResolveUrl(nullptr, f.guid, address);
        if (!ok)
            continue;
        if (strlen(address) < sizeof(TavrinData::link)) {
            Strlcpy(link, address, sizeof(TavrinData::link));
            return;
        }
        if (!first[0])
            Strlcpy(first, address, URL_SIZE);
    }
    Strlcpy(link, first, sizeof(TavrinData::link));
}

// Makes the entry record of a channel or item, its page right behind it.
void MakeRecord(const Reader &r, const Fields &f, bool header, Record *record)
{
    const char *body = nullptr;
    ULONG bodyLength = 0;
    if (f.hasContent && HasText(f.content, f.contentLength))
        body = f.content, bodyLength = f.contentLength;
    else if (f.hasSummary && HasText(f.summary, f.summaryLength))
        body = f.summary, bodyLength = f.summaryLength;

    char title[PLAIN_TITLE_SIZE];
    PlainText plain;
    PlainBegin(plain, title, sizeof(title));
    if (f.titleForm == Form_Html)
        PlainAppendHtml(plain, f.title, f.titleLength);
    else
        PlainAppend(plain, f.title, f.titleLength);
    // Without a title, an item shows the start of its text, and a feed its address.
    if (plain.length == 0 && body && !header)
        PlainAppendHtml(plain, body, bodyLength);
    if (plain.length == 0 && header && r.feedUrl)
        PlainAppend(plain, r.feedUrl, ULONG(strnlen(r.feedUrl, URL_SIZE)));

    const ULONG titleLength = Utf8Cut(title, plain.length, sizeof(record->title) - 1);
    memcpy(record->title, title, titleLength);
    record->title[titleLength] = '\0';
    ChooseLink(f, record->link);
    record->date[0] = '\0';
    for (int d = 0; d < DATE_KINDS && !header; d++) {
        if (f.hasDate[d]) {
            LocalDateText(f.date[d], record->date);
            break;
        }
    }
    char *page = reinterpret_cast<char *>(record + 1);
    record->pageLength = body ? MakeFeedPage(title, body, bodyLength, page) : 0;
    page[record->pageLength] = '\0';
}

void EndItem(Reader &r)
{
    if (Record *record = NewRecord(r.records)) {
        MakeRecord(r, r.item, false, record);
        r.records.used += RecordSpan(record);
    }
}

void OnStart(void *user, const char *name, const char **attributes)
{
    Reader &r = *static_cast<Reader *>(user);
    r.depth++;
    if (r.collecting != Kind_Other) {
        r.nested++;
        if (r.markup)
            StartTag(r, name, attributes);
        return;
    }
    const Element e = Classify(name);
    if (e.kind == Kind_Item && r.itemDepth < 0) {
        r.itemDepth = r.depth;
        r.sawFeed = true;
        Reset(r.item, r.channel.base, attributes);
    } else if (e.kind == Kind_Channel && r.channelDepth == -1 && r.itemDepth < 0) {
        r.channelDepth = r.depth;
        r.sawFeed = true;
        Reset(r.channel, r.feedBase, attributes);
    } else if (r.itemDepth >= 0 ? r.depth == r.itemDepth + 1 : r.depth == r.channelDepth + 1) {
        StartField(r, r.itemDepth >= 0 ? r.item : r.channel, e, attributes);
    }
}

void OnEnd(void *user, const char *name)
{
    Reader &r = *static_cast<Reader *>(user);
    if (r.collecting != Kind_Other) {
        if (r.nested == 0) {
            EndField(r);
        } else {
            r.nested--;
            if (r.markup)
                EndTag(r, name);
        }
    } else if (r.depth == r.itemDepth) {
        EndItem(r);
        r.itemDepth = -1;
    } else if (r.depth == r.channelDepth) {
        r.channelDepth = -2;
    }
    r.depth--;
}

void OnText(void *user, const char *text, size_t length)
{
    Reader &r = *static_cast<Reader *>(user);
    if (r.collecting != Kind_Other)
        Text(r, text, ULONG(length));
}

// An entity from a DTD that is never read: the HTML ones are known, others stay written as they are
// (in a page's HTML the browser may know them).
void OnUndeclaredEntity(void *user, const char *name)
{
    Reader &r = *static_cast<Reader *>(user);
    if (r.collecting == Kind_Other)
        return;
    const ULONG length = ULONG(strlen(name));
    const LONG c = HtmlEntity(name, length);
    if (c >= 0) {
        char utf8[4];
        Text(r, utf8, PutUtf8(ULONG(c), utf8));
    } else {
        Text(r, "&", 1);
        Text(r, name, length);
        Text(r, ";", 1);
    }
}

void AddRecord(exec::List *list, const Record *record, LONG side)
{
    CreateFeedEntry(list, record->title, record->link, reinterpret_cast<const char *>(record + 1), record->date, side);
}

unsigned long Addr(const void *p)
{
    return reinterpret_cast<unsigned long>(p);
}

} // namespace

BOOL ParseFeedfile(exec::List *list, const char *text, ULONG length, CONST_STRPTR feedUrl, LONG side)
{
    if (gb_Debug & DEBUG_PARSER)
        dos::Printf("parsing feed %s from $%lx (%lu bytes) ...\n", feedUrl ? feedUrl : "", Addr(text),
            static_cast<unsigned long>(length));
    // Far too large for the stack of every caller.
    auto *r = new (std::nothrow) Reader;
    if (!r) {
        DisplayRequester(REQType_Error, GetString(ERR_NoMemForListdata), GetString(TX_Ok));
        return TRUE;
    }
    r->feedUrl = feedUrl;
    Strlcpy(r->feedBase, feedUrl ? feedUrl : "", URL_SIZE);
    // Items outside any channel (RSS 1.0 has them beside it) resolve against the feed's address.
    static const char *const none[] = {nullptr};
    Reset(r->channel, r->feedBase, none);

    const xml::Handlers handlers {OnStart, OnEnd, OnText, OnUndeclaredEntity};
    xml::Error error;
    if (!xml::Parse(text, length, handlers, r, &error) && (gb_Debug & DEBUG_PARSER))
        dos::Printf("feed error in line %lu: %s\n", error.line, error.message);

    if (r->sawFeed) {
        // The header has no date; CreateEntry gives it blanks.
        alignas(Record) char header[sizeof(Record) + MELDUNG_SIZE];
        auto *record = reinterpret_cast<Record *>(header);
        MakeRecord(*r, r->channel, true, record);
        AddRecord(list, record, side);
        for (size_t at = 0; at < r->records.used; at += RecordSpan(record)) {
            record = reinterpret_cast<Record *>(r->records.data + at);
            AddRecord(list, record, side);
        }
    } else if (gb_Debug & DEBUG_PARSER) {
        dos::PutStr("feed holds no channel and no item\n");
    }
    if (r->records.lost)
        DisplayRequester(REQType_Error, GetString(ERR_NoMemForListdata), GetString(TX_Ok));
    free(r->records.data);
    delete r;
    return TRUE;
}
