#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "platform/dos.h"
#include "platform/picture.h"

// Pictures are decoded by Qt and prepared as premultiplied ARGB32, the format of every surface the dock
// hands out, so drawing one is a plain copy. The screen is Qt's primary screen.

struct gui::DrawInfo {
    int depth;
};

struct gui::Screen {
    int locks;
    DrawInfo drawInfo;
};

struct picture::BitMapSource {
    QImage image;
};

struct picture::BitMapInstance {
    QImage image;
    BitMap bitmap;
};

namespace {

gui::Screen gScreen {};

} // namespace

namespace picture {

gui::Screen *LockPubScreen(const char *name)
{
    if (name || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return nullptr;
    gScreen.locks++;
    gScreen.drawInfo.depth = primary->depth();
    return &gScreen;
}

void UnlockPubScreen(const char *, gui::Screen *screen)
{
    if (screen)
        screen->locks--;
}

gui::DrawInfo *GetScreenDrawInfo(gui::Screen *screen)
{
    return screen ? &screen->drawInfo : nullptr;
}

BitMapSource *ObtainBitMapSource(const char *name)
{
    char path[4096];
    if (!dos::ResolvePath(name, path, sizeof(path)))
        return nullptr;
    QImage image;
    if (!image.load(QString::fromLocal8Bit(path)))
        return nullptr;
    return new BitMapSource {image};
}

void ReleaseBitMapSource(BitMapSource *source)
{
    delete source;
}

BitMapInstance *ObtainBitMapInstance(BitMapSource *source, gui::Screen *screen)
{
    if (!source || !screen)
        return nullptr;
    QImage image = source->image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return nullptr;
    auto *instance = new BitMapInstance {image, {}};
    instance->bitmap = {reinterpret_cast<const uint32_t *>(instance->image.constBits()), instance->image.width(),
        instance->image.height(), int32_t(instance->image.bytesPerLine())};
    return instance;
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
