#pragma once

// Catalog files built in memory: big-endian IFF chunks, as the catalog compiler writes them.

#include <cstdint>
#include <map>
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

inline uint32_t Be32At(const std::string &bytes, size_t at)
{
    uint32_t v = 0;
    for (size_t k = 0; k < 4; k++)
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + k));
    return v;
}

// The texts of a catalog that the compiler wrote, by number, each up to its first NUL; read here
// without the program's reader, which would hide a text it refuses behind the default.
inline std::map<uint32_t, std::string> Texts(const std::string &catalog)
{
    std::map<uint32_t, std::string> texts;
    for (size_t at = 12; at + 8 <= catalog.size(); at += 8 + ((Be32At(catalog, at + 4) + 1) & ~1u)) {
        if (catalog.compare(at, 4, "STRS") != 0)
            continue;
        const size_t end = at + 8 + Be32At(catalog, at + 4);
        for (size_t r = at + 8; r + 8 <= end; r += 8 + ((Be32At(catalog, r + 4) + 3) & ~3u))
            texts[Be32At(catalog, r)] = catalog.substr(r + 8, Be32At(catalog, r + 4)).c_str();
    }
    return texts;
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
