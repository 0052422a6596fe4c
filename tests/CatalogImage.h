#pragma once

// Catalog files built in memory: big-endian IFF chunks, as the catalog compiler writes them.

#include <cstdint>
#include <printf.h>
#include <string>
#include <vector>

#include "platform/locale.h"

inline std::string Be32(uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

inline std::string Chunk(const std::string &id, const std::string &body)
{
    std::string out = id + Be32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() & 1)
        out += '\0';
    return out;
}

inline std::string Record(uint32_t id, const std::string &text)
{
    std::string out = Be32(id) + Be32(static_cast<uint32_t>(text.size() + 1)) + text + '\0';
    while (out.size() % 4)
        out += '\0';
    return out;
}

inline std::string Form(const std::string &chunks)
{
    return "FORM" + Be32(static_cast<uint32_t>(chunks.size() + 4)) + "CTLG" + chunks;
}

// The argument types of a printf format, as the C library's own format parser sees them.
inline std::vector<int> ArgumentTypes(const std::string &format)
{
    std::vector<int> types(parse_printf_format(format.c_str(), 0, nullptr));
    parse_printf_format(format.c_str(), types.size(), types.data());
    return types;
}

inline const std::string kFver = Chunk("FVER", std::string("$VER: Tavrin.catalog 1.2 (06.12.2026)") + '\0');

inline locale::Catalog *Parse(const std::string &bytes, int32_t version = 1)
{
    return locale::ParseCatalog(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), version);
}
