#pragma once

// A streaming XML reader with namespaces. The character sets it knows are UTF-8, UTF-16, ISO-8859-1
// and US-ASCII, and every single-byte character set of the system's converter (windows-1252,
// ISO-8859-15, KOI8-R, ...); what it hands on is UTF-8. It never loads anything from outside the
// document: no external DTD, no external entity. Entity expansion inside the document is bounded.

#include <cstddef>

namespace xml {

// A name in a namespace arrives as "<namespace> <local name>" (one blank between), a name in no
// namespace as it is written. Attributes are name/value pairs, ended by a null name.
struct Handlers {
    void (*start)(void *user, const char *name, const char **attributes);
    void (*end)(void *user, const char *name);
    // A piece of character data (CDATA sections included); one text may come in many pieces.
    void (*text)(void *user, const char *text, size_t length);
    // A reference to an entity that the document does not declare, where that is no fault: the
    // declaration would be in a DTD outside the document, which is never read (&eacute; in an old
    // RSS feed). Null: such references are dropped.
    void (*undeclaredEntity)(void *user, const char *name);
};

struct Error {
    const char *message; // a static English text
    unsigned long line; // counted from 1
};

// Reads `length` bytes of `text` as one document. True when it is well-formed to its end; otherwise
// the handlers have seen everything before the first fault, which `error` names.
bool Parse(const char *text, size_t length, const Handlers &handlers, void *user, Error *error);

} // namespace xml
