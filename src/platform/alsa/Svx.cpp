#include "platform/alsa/Svx.h"

#include <algorithm>
#include <cstring>

namespace svx {

namespace {

constexpr uint8_t kCompNone = 0;
constexpr uint8_t kCompFibDelta = 1;
constexpr uint32_t kChanStereo = 6; // 2 and 4 name one side: mono
constexpr uint32_t kFullVolume = 0x10000; // 1.0 as a 16.16 fixed-point number
constexpr int8_t kCodeToDelta[16] = {-34, -21, -13, -8, -5, -3, -2, -1, 0, 1, 2, 3, 5, 8, 13, 21};

uint32_t Be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct Chunks {
    const unsigned char *vhdr = nullptr;
    const unsigned char *body = nullptr;
    size_t bodySize = 0;
    uint32_t chan = 0;
};

// Walks the FORM's chunks. A chunk that claims more bytes than the file has is cut to what is there,
// so a cut-off BODY still plays as far as it goes.
bool FindChunks(const unsigned char *data, size_t size, Chunks *c)
{
    const size_t end = std::min<size_t>(size, size_t(Be32(data + 4)) + 8);
    size_t pos = 12;
    while (end >= 8 && pos <= end - 8) {
        const unsigned char *id = data + pos;
        const size_t len = std::min<size_t>(Be32(data + pos + 4), end - pos - 8);
        const unsigned char *chunk = data + pos + 8;
        if (memcmp(id, "VHDR", 4) == 0 && len >= 20) {
            c->vhdr = chunk;
        } else if (memcmp(id, "CHAN", 4) == 0 && len >= 4) {
            c->chan = Be32(chunk);
        } else if (memcmp(id, "BODY", 4) == 0 && !c->body) {
            c->body = chunk;
            c->bodySize = len;
        }
        pos += 8 + len + (len & 1);
    }
    return c->vhdr && c->body;
}

// Undoes the Fibonacci-delta compression of one channel: a pad byte, the first value, then two 4-bit
// delta codes per byte, the high one first. Values wrap around as 8-bit numbers.
std::vector<int8_t> Unpack(const unsigned char *src, size_t n)
{
    std::vector<int8_t> out;
    if (n < 2)
        return out;
    uint8_t x = src[1];
    out.reserve((n - 2) * 2);
    for (size_t i = 2; i < n; i++) {
        for (int shift : {4, 0}) {
            x = static_cast<uint8_t>(x + kCodeToDelta[(src[i] >> shift) & 0xf]);
            out.push_back(static_cast<int8_t>(x));
        }
    }
    return out;
}

} // namespace

bool IsSvx(const unsigned char *head, size_t size)
{
    return size >= 12 && memcmp(head, "FORM", 4) == 0 && memcmp(head + 8, "8SVX", 4) == 0;
}

bool Decode(const unsigned char *data, size_t size, Sound *out)
{
    Chunks c;
    if (!IsSvx(data, size) || !FindChunks(data, size, &c))
        return false;
    const unsigned char *v = c.vhdr;
    const uint64_t firstOctave = uint64_t(Be32(v)) + Be32(v + 4); // one-shot and repeat parts
    const uint32_t rate = uint32_t(v[12]) << 8 | v[13];
    const uint8_t compression = v[15];
    const uint32_t volume = std::min(Be32(v + 16), kFullVolume);
    if (rate == 0 || (compression != kCompNone && compression != kCompFibDelta))
        return false;

    // A stereo BODY holds the whole left channel, then the whole right one.
    const int channels = c.chan == kChanStereo ? 2 : 1;
    const size_t half = c.bodySize / channels;
    std::vector<int8_t> parts[2];
    for (int ch = 0; ch < channels; ch++) {
        const unsigned char *p = c.body + ch * half;
        parts[ch] = compression == kCompFibDelta ? Unpack(p, half) : std::vector<int8_t>(p, p + half);
    }
    size_t frames = parts[0].size();
    if (firstOctave > 0 && firstOctave < frames)
        frames = static_cast<size_t>(firstOctave);
    if (frames == 0)
        return false;

    out->rate = rate;
    out->channels = channels;
    out->samples.resize(frames * channels);
    for (size_t f = 0; f < frames; f++) {
        for (int ch = 0; ch < channels; ch++)
            out->samples[f * channels + ch] = static_cast<int16_t>(parts[ch][f] * 256 * int64_t(volume) / kFullVolume);
    }
    return true;
}

} // namespace svx
