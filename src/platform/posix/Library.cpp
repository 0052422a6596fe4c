#include "platform/library.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

struct exec::Library {
    std::vector<Interface *> interfaces;
};

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);

size_t FrontBytes(uint32_t dataSize)
{
    return (dataSize + kAlign - 1) / kAlign * kAlign;
}

using CountFn = uint32_t (*)(exec::Interface *);

} // namespace

namespace exec {

// One block: the instance data, the interface header, then the copied vectors.
Interface *MakeInterface(Library *lib, const InterfaceTags &tags)
{
    uint32_t count = 0;
    while (tags.vectors[count] != VECTOR_END)
        count++;
    size_t front = FrontBytes(tags.dataSize);
    size_t total = front + sizeof(Interface) + count * sizeof(Vector);
    auto *block = static_cast<char *>(::operator new(total, std::align_val_t(kAlign), std::nothrow));
    if (!block)
        return nullptr;
    std::memset(block, 0, front);
    auto *vectors = reinterpret_cast<Vector *>(block + front + sizeof(Interface));
    std::copy(tags.vectors, tags.vectors + count, vectors);
    auto *iface = new (block + front) Interface;
    iface->LibBase = lib;
    iface->RefCount = 0;
    iface->Version = tags.version;
    iface->Flags = tags.flags;
    iface->Name = tags.name;
    iface->DataSize = tags.dataSize;
    iface->Vectors = vectors;
    iface->VectorCount = count;
    if (tags.dataInit)
        tags.dataInit(block);
    return iface;
}

void *InterfaceData(Interface *iface)
{
    return reinterpret_cast<char *>(iface) - FrontBytes(iface->DataSize);
}

void DeleteInterface(Interface *iface)
{
    if (!iface)
        return;
    void *block = InterfaceData(iface);
    iface->~Interface();
    ::operator delete(block, std::align_val_t(kAlign));
}

Library *CreateLibrary(const LibraryTags &tags)
{
    auto *lib = new (std::nothrow) Library;
    if (!lib)
        return nullptr;
    for (const InterfaceTags *const *it = tags.interfaces; it && *it; it++) {
        Interface *iface = MakeInterface(lib, **it);
        if (!iface) {
            DeleteLibrary(lib);
            return nullptr;
        }
        lib->interfaces.push_back(iface);
    }
    return lib;
}

void DeleteLibrary(Library *lib)
{
    if (!lib)
        return;
    for (Interface *iface : lib->interfaces)
        DeleteInterface(iface);
    delete lib;
}

Interface *GetInterface(Library *lib, const char *name, uint32_t version)
{
    if (!lib)
        return nullptr;
    for (Interface *iface : lib->interfaces) {
        if (std::strcmp(iface->Name, name) == 0 && iface->Version >= version) {
            if (auto obtain = VectorOf<CountFn>(iface, 0))
                obtain(iface);
            return iface;
        }
    }
    return nullptr;
}

void DropInterface(Interface *iface)
{
    if (!iface)
        return;
    if (auto release = VectorOf<CountFn>(iface, 1))
        release(iface);
}

} // namespace exec
