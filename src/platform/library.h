#pragma once

// Libraries and interfaces made inside the program, as exec makes them: a bare library base with a list
// of interfaces, each a header with a vector table and an instance data area in front of it. The dock
// icon is such a library; the host's dock reaches it only through its interface.

#include <atomic>
#include <cstdint>

namespace exec {

// One slot of a vector table. Empty slots are null; a table ends with VECTOR_END. It is an inline
// variable so that tables built while the program starts up always see its value.
using Vector = void (*)();
inline const Vector VECTOR_END = reinterpret_cast<Vector>(intptr_t(-1));
template<typename F> Vector ToVector(F *fn)
{
    return reinterpret_cast<Vector>(fn);
}

constexpr uint32_t IFLF_PRIVATE = 4; // only its own library hands it out
constexpr uint32_t IFLF_CLONED = 8; // a clone: its Release deletes it when the last reference goes

struct Library;

// Every vector is called with the interface as its first argument.
struct Interface {
    Library *LibBase;
    std::atomic<uint32_t> RefCount;
    uint32_t Version;
    uint32_t Flags;
    const char *Name;
    uint32_t DataSize; // bytes of the instance data area in front of the interface
    const Vector *Vectors; // the copy of the table, without its end marker
    uint32_t VectorCount;
};

// The function in slot `slot`, as the type it was stored from; null for an empty or missing slot.
template<typename F> F VectorOf(const Interface *iface, uint32_t slot)
{
    return slot < iface->VectorCount ? reinterpret_cast<F>(iface->Vectors[slot]) : nullptr;
}

struct InterfaceTags {
    const char *name;
    uint32_t version;
    uint32_t dataSize;
    uint32_t flags;
    const Vector *vectors; // slot 0 Obtain, slot 1 Release, ..., VECTOR_END
    void (*dataInit)(void *data); // builds a fresh instance's data in its zeroed area; may be null
};

struct LibraryTags {
    uint32_t dataSize; // 0: a bare base with nothing of its own
    const InterfaceTags *const *interfaces; // null-terminated
};

// Null when one of its interfaces cannot be made.
Library *CreateLibrary(const LibraryTags &tags);
// Deletes the library with the interfaces it made; clones belong to whoever holds them. Null is ignored.
void DeleteLibrary(Library *lib);

// A new interface of `lib` without references, its data area built by the tags' dataInit; null when out
// of memory.
Interface *MakeInterface(Library *lib, const InterfaceTags &tags);
void DeleteInterface(Interface *iface);
// The instance data area in front of the interface.
void *InterfaceData(Interface *iface);

// The library's own interface of that name and at least that version, obtained (slot 0), or null.
Interface *GetInterface(Library *lib, const char *name, uint32_t version);
// Releases an interface (slot 1).
void DropInterface(Interface *iface);

} // namespace exec
