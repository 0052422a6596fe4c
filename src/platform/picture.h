#pragma once

// Screens, picture files and bitmaps for the dock icon: a picture file is decoded once as a source,
// prepared for a screen as an instance, and the instance's bitmap is copied into a drawing surface.

#include <cstdint>

namespace gui {

// A drawing surface of 32-bit pixels 0xAARRGGBB with premultiplied alpha (the screen's format), rows
// `bytesPerRow` apart. Whoever hands it out owns the pixels.
struct RastPort {
    uint32_t *pixels;
    int32_t width, height;
    int32_t bytesPerRow;
};
struct Screen; // the host's
struct DrawInfo; // the host's; belongs to its screen

} // namespace gui

namespace picture {

// A picture in the surface's pixel format; read-only while its instance lives.
struct BitMap {
    const uint32_t *pixels;
    int32_t width, height;
    int32_t bytesPerRow;
};
struct BitMapSource;
struct BitMapInstance;

// The default public screen (name null) locked, or null when there is none (no display).
gui::Screen *LockPubScreen(const char *name);
void UnlockPubScreen(const char *name, gui::Screen *screen);
// The screen's draw information; it lives as long as the screen and is never freed by its users.
gui::DrawInfo *GetScreenDrawInfo(gui::Screen *screen);

// Decodes a picture file (a path with a device name, or relative to the current directory); null when it cannot.
BitMapSource *ObtainBitMapSource(const char *name);
void ReleaseBitMapSource(BitMapSource *source);
// The picture prepared for `screen`, or null.
BitMapInstance *ObtainBitMapInstance(BitMapSource *source, gui::Screen *screen);
void ReleaseBitMapInstance(BitMapInstance *instance);
// The instance's bitmap (BITMAP_BitMap, owned by the instance), width and height (BITMAP_Width, _Height).
void BitMapInstanceControl(BitMapInstance *instance, BitMap **bitmap, uint32_t *width, uint32_t *height);

constexpr uint8_t MINTERM_COPY = 0xc0;
// Copies a width×height rectangle of `src` into `rp`. The rectangle is cut to both, so nothing outside
// either is read or written; a null bitmap or surface draws nothing. Only the plain copy exists: any other
// minterm draws nothing.
void BltBitMapRastPort(const BitMap *src, int32_t srcX, int32_t srcY, gui::RastPort *rp, int32_t dstX, int32_t dstY,
    int32_t width, int32_t height, uint8_t minterm);

} // namespace picture
