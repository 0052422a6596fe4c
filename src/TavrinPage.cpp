#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TavrinPipeline.h"
#include "platform/dos.h"

char gb_Meldung[MELDUNG_SIZE];

namespace {

constexpr ULONG MAX_DESCRIPTION = 5950;
// The header holds at most 99 characters, so a long title loses its end and its closing tag.
constexpr ULONG HEADER_SIZE = 100;
constexpr char pageEnd[] = "</body>\n</html>\n";

// Compares the characters after "&" with `rest`, letters in any case. Stops at the first difference,
// so it never reads past the text's NUL.
bool RestMatches(const char *p, const char *rest)
{
    for (; *rest; p++, rest++) {
        char c = *p;
        if (c != *rest && !(*rest >= 'a' && *rest <= 'z' && (c | 0x20) == *rest))
            return false;
    }
    return true;
}

ULONG Append(ULONG used, CONST_STRPTR text)
{
    while (used < HEADER_SIZE - 1 && *text)
        gb_Meldung[used++] = *text++;
    return used;
}

// Writes the character for the entity at `amp` and returns how many characters it took. An unknown
// one stays as it is (the browser may know it) and is reported on the console. The four known ones
// differ in their first letter.
ULONG DecodeEntity(CONST_STRPTR amp, char *out)
{
    switch (amp[1] | 0x20) {
    case 'l':
        if (RestMatches(amp + 2, "t;")) {
            *out = '<';
            return 4;
        }
        break;
    case 'g':
        if (RestMatches(amp + 2, "t;")) {
            *out = '>';
            return 4;
        }
        break;
    case 'a':
        if (RestMatches(amp + 2, "mp;")) {
            *out = '&';
            return 5;
        }
        break;
    case 'q':
        if (RestMatches(amp + 2, "uot;")) {
            *out = '"';
            return 6;
        }
        break;
    }
    dos::Printf("Nicht unterstütztes Sonderzeichen: %.6s\n", amp);
    *out = '&';
    return 1;
}

#if defined(__SSE2__)
// The fast path works on blocks of 64 characters: it finds every "&" of a block at once, then copies
// the stretches between them with fixed-size moves and decodes the known entities without branching
// on their kind. An escaped description holds an entity every few words; branching per entity would
// cost more than the copying.
constexpr ULONG BLOCK = 64;
// What a block may read and write beyond its 64 characters: a stretch is moved as 64 characters from
// anywhere in the block, an entity is read as 8.
constexpr ULONG INPUT_SLACK = BLOCK + 8;
constexpr ULONG OUTPUT_SLACK = 2 * BLOCK + 8;

uint64_t AmpersandBits(const char *from)
{
    const __m128i amp = _mm_set1_epi8('&');
    uint64_t bits = 0;
#pragma GCC unroll 4
    for (int k = 0; k < 4; k++) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 16 * k));
        bits |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, amp)))) << (16 * k);
    }
    return bits;
}

// Moves 64 characters; the caller counts only those it meant.
void Move64(const char *from, char *to)
{
#pragma GCC unroll 4
    for (int k = 0; k < 4; k++)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 16 * k),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 16 * k)));
}

// A known entity as eight characters in memory order (x86 is little-endian): its text, the bits
// that fold its letters to lower case, and the bytes that belong to it.
struct Pattern {
    uint64_t text, fold, mask;
    ULONG len;
    char decoded;
};

constexpr uint64_t Pack(const char *s)
{
    uint64_t v = 0;
    for (int k = 0; s[k]; k++)
        v |= uint64_t(UBYTE(s[k])) << (8 * k);
    return v;
}

constexpr uint64_t Fold(const char *s)
{
    uint64_t v = 0;
    for (int k = 0; s[k]; k++)
        v |= uint64_t(s[k] >= 'a' && s[k] <= 'z' ? 0x20 : 0) << (8 * k);
    return v;
}

constexpr uint64_t Mask(ULONG len)
{
    return len >= 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * len)) - 1;
}

constexpr Pattern Known(const char *s, ULONG len, char decoded)
{
    return {Pack(s), Fold(s), Mask(len), len, decoded};
}

// Index 0 never matches: the text starts with "&", never with a NUL.
constexpr Pattern patterns[] = {
    {0, 0, Mask(8), 1, '&'},
    Known("&lt;", 4, '<'),
    Known("&gt;", 4, '>'),
    Known("&amp;", 5, '&'),
    Known("&quot;", 6, '"'),
};

// The pattern to try, by the character after "&" folded to lower case.
struct PatternTable {
    UBYTE index[256];
    constexpr PatternTable()
        : index {}
    {
        index[UBYTE('l')] = 1;
        index[UBYTE('g')] = 2;
        index[UBYTE('a')] = 3;
        index[UBYTE('q')] = 4;
    }
};
constexpr PatternTable patternFor;

// Decodes as DecodeEntity does, for an entity with eight readable characters.
ULONG DecodeEntityFast(CONST_STRPTR amp, char *out)
{
    uint64_t word;
    memcpy(&word, amp, 8);
    const Pattern &p = patterns[patternFor.index[UBYTE(amp[1] | 0x20)]];
    if (((word | p.fold) & p.mask) != p.text)
        return DecodeEntity(amp, out);
    *out = p.decoded;
    return p.len;
}

// Decodes blocks while they and their slack fit into both sides, and moves `i` and `o` on. A known
// entity holds no further "&", so the next one of the block always lies behind the one just decoded.
void DecodeBlocks(CONST_STRPTR buffer, ULONG buflen, ULONG bodyEnd, ULONG &i, ULONG &o)
{
    while (i + INPUT_SLACK + BLOCK <= buflen && o + OUTPUT_SLACK <= bodyEnd) {
        const ULONG block = i;
        for (uint64_t amps = AmpersandBits(buffer + block); amps; amps &= amps - 1) {
            ULONG amp = block + ULONG(std::countr_zero(amps));
            Move64(buffer + i, gb_Meldung + o);
            o += amp - i;
            i = amp + DecodeEntityFast(buffer + amp, gb_Meldung + o);
            o++;
        }
        // The rest of the block, if the last entity did not reach into the next one.
        Move64(buffer + i, gb_Meldung + o);
        ULONG rest = i < block + BLOCK ? block + BLOCK - i : 0;
        o += rest;
        i += rest;
    }
}
#endif

// The index of the first "&" among the eight characters of `word` (in memory order), or 8.
ULONG FirstAmpersand(uint64_t word)
{
    constexpr uint64_t ones = 0x0101010101010101u;
    constexpr uint64_t low7 = ones * 0x7f;
    uint64_t x = word ^ (ones * '&');
    // The top bit of each byte that is zero in x, that is of each "&".
    uint64_t zero = ~(((x & low7) + low7) | x | low7);
    if constexpr (std::endian::native == std::endian::little)
        return ULONG(std::countr_zero(zero) / 8);
    else
        return ULONG(std::countl_zero(zero) / 8);
}

} // namespace

BOOL PrepareDescription(CONST_STRPTR buffer, ULONG buflen, CONST_STRPTR title)
{
    if (buflen > MAX_DESCRIPTION)
        buflen = MAX_DESCRIPTION;
    ULONG o = Append(0, "<html>\n<body>\n");
    o = Append(o, "<h3>");
    o = Append(o, title);
    o = Append(o, "</h3>\n");
    // Header and body can be longer than the page buffer; the body is cut so the closing lines fit.
    const ULONG bodyEnd = MELDUNG_SIZE - sizeof(pageEnd);
    ULONG i = 0;
#if defined(__SSE2__)
    DecodeBlocks(buffer, buflen, bodyEnd, i, o);
#endif
    // Eight characters at a time while both sides have room for them.
    while (i + 8 <= buflen && o + 8 <= bodyEnd) {
        uint64_t word;
        memcpy(&word, buffer + i, 8);
        memcpy(gb_Meldung + o, &word, 8);
        ULONG skip = FirstAmpersand(word);
        i += skip;
        o += skip;
        if (skip < 8)
            i += DecodeEntity(buffer + i, gb_Meldung + o++);
    }
    while (i < buflen && o < bodyEnd) {
        if (buffer[i] == '&')
            i += DecodeEntity(buffer + i, gb_Meldung + o);
        else
            gb_Meldung[o] = buffer[i++];
        o++;
    }
    memcpy(gb_Meldung + o, pageEnd, sizeof(pageEnd));
    return TRUE;
}
