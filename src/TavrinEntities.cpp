#include <bit>
#include <cstdint>
#include <cstring>

#include "TavrinConvert.h"
#include "platform/dos.h"

// The four entities of feed texts, decoded for the article page and for titles alike. The text is
// copied eight characters at a time up to its next "&"; an escaped description holds one every few
// words, and the branches on the entity's kind are cheaper than any arithmetic that would replace
// them, since they let the processor run on before the entity's length is known.

namespace {

constexpr ULONG STEP = 8;

// The index of the first "&" among the eight characters of `word` (in memory order), or 8.
ULONG FirstAmpersand(uint64_t word)
{
    constexpr uint64_t ones = 0x0101010101010101u;
    constexpr uint64_t low7 = ones * 0x7f;
    const uint64_t x = word ^ (ones * '&');
    // The top bit of each byte that is zero in x, that is of each "&"; no carry crosses a byte.
    const uint64_t zero = ~(((x & low7) + low7) | x | low7);
    if constexpr (std::endian::native == std::endian::little)
        return ULONG(std::countr_zero(zero) / 8);
    else
        return ULONG(std::countl_zero(zero) / 8);
}

// Compares the characters behind "&" and its first letter with `rest`, letters in any case when
// `anyCase`. Stops at the first difference, so it never reads past the text's NUL.
bool RestMatches(CONST_STRPTR p, CONST_STRPTR rest, bool anyCase)
{
    for (; *rest; p++, rest++) {
        const char c = *p;
        if (c != *rest && !(anyCase && *rest >= 'a' && *rest <= 'z' && (c | 0x20) == *rest))
            return false;
    }
    return true;
}

// Writes the character for the entity at `amp` and returns how many characters it took. An unknown
// one stays as it is (the browser may know it); the page reports it on the console. The four known
// ones differ in their first letter, so the order in which they are tried changes nothing.
ULONG DecodeEntity(CONST_STRPTR amp, char *out, EntityRules rules)
{
    const bool anyCase = rules == ENTITIES_IN_PAGE;
    switch (anyCase ? amp[1] | 0x20 : amp[1]) {
    case 'l':
        if (RestMatches(amp + 2, "t;", anyCase)) {
            *out = '<';
            return 4;
        }
        break;
    case 'g':
        if (RestMatches(amp + 2, "t;", anyCase)) {
            *out = '>';
            return 4;
        }
        break;
    case 'a':
        if (RestMatches(amp + 2, "mp;", anyCase)) {
            *out = '&';
            return 5;
        }
        break;
    case 'q':
        if (RestMatches(amp + 2, "uot;", anyCase)) {
            *out = '"';
            return 6;
        }
        break;
    }
    if (rules == ENTITIES_IN_PAGE)
        dos::Printf("Nicht unterstütztes Sonderzeichen: %.6s\n", amp);
    *out = '&';
    return 1;
}

} // namespace

ULONG DecodeEntities(CONST_STRPTR text, ULONG length, STRPTR out, ULONG room, EntityRules rules)
{
    ULONG i = 0, o = 0;
    // Eight characters at a time while both sides have room for them.
    while (i + STEP <= length && o + STEP <= room) {
        uint64_t word;
        memcpy(&word, text + i, STEP);
        memcpy(out + o, &word, STEP);
        const ULONG skip = FirstAmpersand(word);
        i += skip;
        o += skip;
        if (skip < STEP)
            i += DecodeEntity(text + i, out + o++, rules);
    }
    while (i < length && o < room) {
        if (text[i] == '&')
            i += DecodeEntity(text + i, out + o, rules);
        else
            out[o] = text[i++];
        o++;
    }
    return o;
}
