#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

#include "platform/TestPlatform.h"
#include "platform/host.h"
#include "platform/picture.h"
#include "platform/posix/Knobs.h"

// Skin pictures as the Qt host loads them: only regular files, decoded once at no more than the dock
// draws (128×128 at most, proportions kept), nothing absurd, and nothing once a quit is pending. The
// fault suite starts the program with a FIFO among its skin pictures.

namespace {

TEST(QtPicture, OnlySaneFilesAreDecodedAndNoLargerThanTheDockDraws)
{
    int argc = 1;
    char name[] = "QtPictureTest", *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    testplat::TempDir dir;
    const auto Png
        = [&](const std::string &file, int width, int height, QImage::Format format = QImage::Format_ARGB32) {
              QImage picture(width, height, format);
              picture.fill(QColor(10, 200, 30));
              ASSERT_TRUE(picture.save(QString::fromStdString(dir.file(file)), "PNG"));
          };
    std::filesystem::create_directories(dir.file("a:b"));
    Png("a:b/TR0.png", 48, 40); // below a directory whose name holds a ':'
    Png("wide.png", 2000, 1000);
    Png("thin.png", 5000, 3);
    Png("absurd.png", 5000, 5001, QImage::Format_Mono);
    std::filesystem::create_directories(dir.file("dir.png"));
    testplat::WriteFile(dir.file("text.png"), "no picture");

    const struct {
        std::string file;
        int width, height; // 0: refused
        bool quit = false; // a quit is pending
    } kCases[] = {
        {"a:b/TR0.png", 48, 40}, {"wide.png", 128, 64}, // ALargeSkinPictureIsKeptAtTheSizeTheDockDraws
        {"thin.png", 128, 1}, {"absurd.png", 0, 0}, {"dir.png", 0, 0}, {"text.png", 0, 0},
        {"wide.png", 0, 0, true}, // AQuitEndsTheReadingOfAPicture
    };
    gui::Screen *screen = picture::LockPubScreen(nullptr);
    ASSERT_NE(screen, nullptr);
    for (const auto &c : kCases) {
        if (c.quit)
            exec_host::RequestQuit();
        picture::BitMapSource *source = picture::ObtainBitMapSource(dir.file(c.file).c_str());
        picture::BitMapInstance *instance = picture::ObtainBitMapInstance(source, screen);
        picture::BitMap *bitmap = nullptr;
        uint32_t width = 0, height = 0;
        if (instance)
            picture::BitMapInstanceControl(instance, &bitmap, &width, &height);
        EXPECT_EQ(std::pair(width, height), std::pair(uint32_t(c.width), uint32_t(c.height))) << c.file;
        if (bitmap) { // the colour survives, fully opaque
            EXPECT_EQ(bitmap->pixels[bitmap->width * (bitmap->height - 1)], 0xff0ac81eu) << c.file;
        }
        picture::ReleaseBitMapInstance(instance);
        picture::ReleaseBitMapSource(source);
    }
    picture::UnlockPubScreen(nullptr, screen);
    exec_host::ResetSignals();
}

} // namespace
