#pragma once

// The reader of IFF 8SVX samples. It is our own because the general decoder reads the two halves of
// a stereo BODY as interleaved frames and does not undo the Fibonacci-delta compression.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace svx {

struct Sound {
    uint32_t rate = 0; // frames per second
    int channels = 0; // 1 or 2
    std::vector<int16_t> samples; // interleaved frames
};

// True when the first 12 bytes of a file name it an IFF 8SVX sample.
bool IsSvx(const unsigned char *head, size_t size);

// Decodes the first octave's one-shot and repeat parts of a whole 8SVX file, scaled by its volume.
// False for a damaged file, an unknown compression, a rate of 0 or a BODY without a single frame.
bool Decode(const unsigned char *data, size_t size, Sound *out);

} // namespace svx
