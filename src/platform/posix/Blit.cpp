#include <algorithm>
#include <cstring>

#include "platform/picture.h"

// The bitmap copy shared by every host: both sides are plain 32-bit pixel memory.

namespace picture {

void BltBitMapRastPort(const BitMap *src, int32_t srcX, int32_t srcY, gui::RastPort *rp, int32_t dstX, int32_t dstY,
    int32_t width, int32_t height, uint8_t minterm)
{
    if (!src || !rp || minterm != MINTERM_COPY || srcX < 0 || srcY < 0 || dstX < 0 || dstY < 0)
        return;
    int64_t w = std::min<int64_t>({width, int64_t(src->width) - srcX, int64_t(rp->width) - dstX});
    int64_t h = std::min<int64_t>({height, int64_t(src->height) - srcY, int64_t(rp->height) - dstY});
    if (w <= 0 || h <= 0)
        return;
    for (int64_t y = 0; y < h; y++) {
        auto *from = reinterpret_cast<const char *>(src->pixels) + (srcY + y) * src->bytesPerRow;
        auto *to = reinterpret_cast<char *>(rp->pixels) + (dstY + y) * rp->bytesPerRow;
        std::memcpy(to + dstX * 4, from + srcX * 4, size_t(w) * 4);
    }
}

} // namespace picture
