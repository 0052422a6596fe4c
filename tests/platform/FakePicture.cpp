#include "FakePicture.h"

#include "TestPlatform.h"
#include "platform/picture.h"
#include "platform/posix/PosixDos.h"

struct gui::Screen { };
struct picture::BitMapSource { };
struct picture::BitMapInstance {
    uint32_t pixels[48 * 40] {};
    BitMap bitmap {pixels, 48, 40, 48 * 4};
};

static gui::Screen gScreen;
static bool gScreenAvailable = true;

void fakepic::SetScreenAvailable(bool available)
{
    gScreenAvailable = available;
}

namespace picture {

gui::Screen *LockPubScreen(const char *)
{
    return gScreenAvailable ? &gScreen : nullptr;
}

void UnlockPubScreen(const char *, gui::Screen *) { }

// Nothing reads the draw information: any distinct pointer will do.
gui::DrawInfo *GetScreenDrawInfo(gui::Screen *screen)
{
    return reinterpret_cast<gui::DrawInfo *>(screen);
}

BitMapSource *ObtainBitMapSource(const char *name)
{
    return testplat::FileExists(posix_dos::Resolve(name)) ? new BitMapSource : nullptr;
}

void ReleaseBitMapSource(BitMapSource *source)
{
    delete source;
}

BitMapInstance *ObtainBitMapInstance(BitMapSource *source, gui::Screen *screen)
{
    return source && screen ? new BitMapInstance : nullptr;
}

void ReleaseBitMapInstance(BitMapInstance *instance)
{
    delete instance;
}

void BitMapInstanceControl(BitMapInstance *instance, BitMap **bitmap, uint32_t *width, uint32_t *height)
{
    *bitmap = &instance->bitmap;
    *width = uint32_t(instance->bitmap.width);
    *height = uint32_t(instance->bitmap.height);
}

} // namespace picture
