#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QScreen>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dos.h"
#include "platform/host.h"
#include "platform/picture.h"
#include "platform/posix/PosixDos.h"
#include "platform/qt/QtDock.h"

// Pictures are decoded by Qt and prepared as premultiplied ARGB32, the format of every surface the dock
// hands out, so drawing one is a plain copy. The screen is Qt's primary screen. A picture is decoded
// once, no larger than the dock draws it, and its source and instance share that one copy.

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

constexpr off_t kMaxFileBytes = 64 << 20;
constexpr qint64 kMaxPixels = 5000 * 5000; // a picture of more pixels is no skin picture

// A file whose reads fail once a quit is pending, so that a long decode ends at once.
class QuitAwareFile : public QFile {
protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        return exec_host::QuitPending() ? -1 : QFile::readData(data, maxSize);
    }
};

gui::Screen gScreen {};

// The size to decode a picture of `size` at: scaled down, keeping its proportions, to fit the dock.
QSize DecodedSize(QSize size)
{
    if (size.width() <= tavrin::qt::kMaxIconSide && size.height() <= tavrin::qt::kMaxIconSide)
        return size;
    const QSize fit = size.scaled(tavrin::qt::kMaxIconSide, tavrin::qt::kMaxIconSide, Qt::KeepAspectRatio);
    return {std::max(fit.width(), 1), std::max(fit.height(), 1)};
}

// Only a regular file of sane size is read (a FIFO would block the open for ever), only once its
// header has given a sane picture size, and not on after a quit.
QImage Decode(const char *path)
{
    const int fd = posix_dos::OpenOfType(path, O_RDONLY, S_IFREG);
    struct stat st { };
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size > kMaxFileBytes) {
        if (fd >= 0)
            close(fd);
        return {};
    }
    QuitAwareFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        return {};
    }
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    if (DecodedSize(size) != size)
        reader.setScaledSize(DecodedSize(size));
    QImage image = reader.read();
    if (!image.isNull())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

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
    QImage image = Decode(path);
    if (image.isNull())
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
    auto *instance = new BitMapInstance {source->image, {}};
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
