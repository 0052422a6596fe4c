#include <cstring>

#include "TavrinFeedParts.h"

// Reference resolution as RFC 3986 section 5 describes it, on texts of at most URL_SIZE bytes.
// Only http and https addresses come out: a feed's link is handed to a browser or the desktop's URL
// handler, and a "file:" or "javascript:" address from a stranger's feed has no business there.

namespace {

struct Span {
    const char *text = nullptr; // null: the part is not there (an empty part is not null)
    ULONG length = 0;
};

struct Parts {
    Span scheme, authority, path, query, fragment;
};

bool IsAlpha(char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool IsSchemeChar(char c)
{
    return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Splits a reference into its five parts (RFC 3986 appendix B).
Parts Split(const char *s, ULONG length)
{
    Parts parts;
    const char *end = s + length;
    const char *p = s;
    if (p < end && IsAlpha(*p)) {
        const char *q = p;
        while (q < end && IsSchemeChar(*q))
            q++;
        if (q < end && *q == ':') {
            parts.scheme = {p, ULONG(q - p)};
            p = q + 1;
        }
    }
    // The next of the characters that end a part ("/?#" or fewer), or the end.
    auto until = [&](bool slash, bool question) {
        const char *q = p;
        while (q < end && *q != '#' && !(question && *q == '?') && !(slash && *q == '/'))
            q++;
        return q;
    };
    if (end - p >= 2 && p[0] == '/' && p[1] == '/') {
        p += 2;
        const char *q = until(true, true);
        parts.authority = {p, ULONG(q - p)};
        p = q;
    }
    const char *q = until(false, true);
    parts.path = {p, ULONG(q - p)};
    p = q;
    if (p < end && *p == '?') {
        p++;
        q = until(false, false);
        parts.query = {p, ULONG(q - p)};
        p = q;
    }
    if (p < end && *p == '#')
        parts.fragment = {p + 1, ULONG(end - p - 1)};
    return parts;
}

// A path under construction with its dot segments removed as they come (RFC 3986 5.2.4).
struct Path {
    char text[URL_SIZE];
    ULONG length = 0;
    bool overflow = false;
};

void DropLastSegment(Path &out)
{
    while (out.length > 0 && out.text[out.length - 1] != '/')
        out.length--;
    if (out.length > 0)
        out.length--;
}

bool Is(const char *in, ULONG left, const char *prefix, bool whole)
{
    const ULONG n = ULONG(strlen(prefix));
    return (whole ? left == n : left >= n) && memcmp(in, prefix, n) == 0;
}

void PutSlash(Path &out)
{
    if (out.length < URL_SIZE)
        out.text[out.length++] = '/';
    else
        out.overflow = true;
}

void AppendSegments(Path &out, const char *in, ULONG length)
{
    const char *end = in + length;
    while (in < end && !out.overflow) {
        const ULONG left = ULONG(end - in);
        if (Is(in, left, "../", false)) {
            in += 3;
        } else if (Is(in, left, "./", false) || Is(in, left, "/./", false)) {
            in += 2;
        } else if (Is(in, left, "/.", true)) {
            in = end;
            PutSlash(out);
        } else if (Is(in, left, "/../", false) || Is(in, left, "/..", true)) {
            in += 3;
            DropLastSegment(out);
            if (in == end)
                PutSlash(out);
        } else if (Is(in, left, ".", true) || Is(in, left, "..", true)) {
            in = end;
        } else {
            const char *q = in + (*in == '/');
            while (q < end && *q != '/')
                q++;
            const ULONG n = ULONG(q - in);
            if (out.length + n > URL_SIZE) {
                out.overflow = true;
                return;
            }
            memcpy(out.text + out.length, in, n);
            out.length += n;
            in = q;
        }
    }
}

// Writes the address, escaping what may not stand in one; false when it does not fit.
struct Writer {
    char *out;
    ULONG length = 0;
    bool overflow = false;

    void Put(char c)
    {
        if (length + 1 < URL_SIZE)
            out[length++] = c;
        else
            overflow = true;
    }
    void Put(Span s, bool lower = false)
    {
        static const char hex[] = "0123456789ABCDEF";
        for (ULONG i = 0; i < s.length; i++) {
            const auto c = static_cast<unsigned char>(s.text[i]);
            if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '`') {
                Put('%');
                Put(hex[c >> 4]);
                Put(hex[c & 15]);
            } else {
                Put(lower && c >= 'A' && c <= 'Z' ? char(c | 0x20) : char(c));
            }
        }
    }
};

// The reference without blanks around it and without line breaks and tabs inside, as browsers take it.
ULONG Clean(const char *ref, char *out)
{
    while (*ref && static_cast<unsigned char>(*ref) <= ' ')
        ref++;
    ULONG n = 0;
    for (; *ref && n < URL_SIZE; ref++) {
        if (*ref != '\n' && *ref != '\r' && *ref != '\t')
            out[n++] = *ref;
    }
    while (n > 0 && static_cast<unsigned char>(out[n - 1]) <= ' ')
        n--;
    return n;
}

bool SchemeIs(Span scheme, const char *name)
{
    if (scheme.length != strlen(name))
        return false;
    for (ULONG i = 0; i < scheme.length; i++) {
        if ((scheme.text[i] | 0x20) != name[i])
            return false;
    }
    return true;
}

} // namespace

bool ResolveUrl(CONST_STRPTR base, CONST_STRPTR ref, char *out)
{
    out[0] = '\0';
    char cleaned[URL_SIZE];
    const ULONG refLength = Clean(ref, cleaned);
    if (refLength >= URL_SIZE)
        return false;
    const Parts r = Split(cleaned, refLength);
    Parts b;
    if (!r.scheme.text) {
        if (!base || !*base)
            return false;
        b = Split(base, ULONG(strnlen(base, URL_SIZE)));
        if (!b.scheme.text)
            return false;
    }

    Parts t;
    Path path;
    t.fragment = r.fragment;
    if (r.scheme.text || r.authority.text) {
        t.scheme = r.scheme.text ? r.scheme : b.scheme;
        t.authority = r.authority;
        AppendSegments(path, r.path.text, r.path.length);
        t.query = r.query;
    } else {
        t.scheme = b.scheme;
        t.authority = b.authority;
        if (r.path.length == 0) {
            AppendSegments(path, b.path.text, b.path.length);
            t.query = r.query.text ? r.query : b.query;
        } else {
            if (r.path.text[0] != '/') {
                // Merge: the base's directory, then the reference's path.
                char merged[2 * URL_SIZE];
                ULONG n = 0;
                if (b.authority.text && b.path.length == 0) {
                    merged[n++] = '/';
                } else {
                    n = b.path.length;
                    while (n > 0 && b.path.text[n - 1] != '/')
                        n--;
                    memcpy(merged, b.path.text, n);
                }
                memcpy(merged + n, r.path.text, r.path.length);
                AppendSegments(path, merged, n + r.path.length);
            } else {
                AppendSegments(path, r.path.text, r.path.length);
            }
            t.query = r.query;
        }
    }
    if (path.overflow || !(SchemeIs(t.scheme, "http") || SchemeIs(t.scheme, "https")) || !t.authority.text
        || t.authority.length == 0)
        return false;

    Writer w {out};
    w.Put(t.scheme, true);
    w.Put(':');
    w.Put('/');
    w.Put('/');
    w.Put(t.authority);
    // An address with a host always has a path, at least "/".
    if (path.length == 0)
        w.Put('/');
    w.Put({path.text, path.length});
    if (t.query.text) {
        w.Put('?');
        w.Put(t.query);
    }
    if (t.fragment.text) {
        w.Put('#');
        w.Put(t.fragment);
    }
    // A cut address is no address: the Atom link's field is read as empty after a failure.
    if (w.overflow) {
        out[0] = '\0';
        return false;
    }
    out[w.length] = '\0';
    return true;
}
