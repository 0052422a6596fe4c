#include "platform/alsa/Svx.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "SvxImage.h"
#include "platform/TestPlatform.h"

namespace {

std::vector<int16_t> Scaled(std::vector<int> values)
{
    std::vector<int16_t> out;
    for (int v : values)
        out.push_back(static_cast<int16_t>(v * 256));
    return out;
}

bool Decode(const std::string &file, svx::Sound *out)
{
    return svx::Decode(reinterpret_cast<const unsigned char *>(file.data()), file.size(), out);
}

TEST(Svx, DecodesPlainCompressedMonoAndStereo)
{
    const struct {
        const char *what;
        std::string file;
        int channels;
        std::vector<int16_t> samples;
    } kCases[] = {
        {"mono", SvxFile({.oneShot = 5, .body = {0, 1, -1, 127, -128}}), 1, Scaled({0, 1, -1, 127, -128})},
        {"one-shot part only", SvxFile({.oneShot = 2, .body = {5, 6, 7, 8}}), 1, Scaled({5, 6})},
        {"no lengths: the whole body", SvxFile({.oneShot = 0, .body = {5, 6, 7}}), 1, Scaled({5, 6, 7})},
        {"half volume", SvxFile({.oneShot = 1, .volume = 0x8000, .body = {100}}), 1, {100 * 128}},
        {"louder than full is full", SvxFile({.oneShot = 1, .volume = 0x20000, .body = {100}}), 1, Scaled({100})},
        {"one side only is mono", SvxFile({.oneShot = 2, .body = {1, 2}, .chan = 4}), 1, Scaled({1, 2})},
        // A stereo body holds the left channel, then the right one.
        {"stereo", SvxFile({.oneShot = 2, .body = {10, 20, -10, -20}, .chan = 6}), 2, Scaled({10, -10, 20, -20})},
        // Pad byte, first value, then codes high nibble first: 9 = +1, 15 = +21, 0 = -34, 8 = 0.
        {"compressed", SvxFile({.oneShot = 0, .compression = 1, .body = {0, 10, 0x9F, 0x08}}), 1,
            Scaled({11, 32, -2, -2})},
        {"compressed wraps around", SvxFile({.oneShot = 0, .compression = 1, .body = {0, 120, 0xF8}}), 1,
            Scaled({-115, -115})},
        // Each half is compressed on its own: 10 = +2, 7 = -1.
        {"compressed stereo", SvxFile({.oneShot = 0, .compression = 1, .body = {0, 5, 0x9A, 0, -5, 0x70}, .chan = 6}),
            2, Scaled({6, -6, 8, -40})},
    };
    for (const auto &c : kCases) {
        svx::Sound sound;
        ASSERT_TRUE(Decode(c.file, &sound)) << c.what;
        EXPECT_EQ(sound.rate, 8000u) << c.what;
        EXPECT_EQ(sound.channels, c.channels) << c.what;
        EXPECT_EQ(sound.samples, c.samples) << c.what;
    }
}

TEST(Svx, RefusesWhatItCannotPlay)
{
    std::string noBody = SvxFile({.oneShot = 1, .body = {1}});
    noBody.replace(noBody.find("BODY"), 4, "JUNK");
    std::string cut = SvxFile({.oneShot = 4, .body = {1, 2, 3, 4}});
    cut.resize(cut.size() - 2); // the body's last two bytes are missing
    const struct {
        const char *what;
        std::string file;
        bool ok;
        size_t samples;
    } kCases[] = {
        {"rate 0", SvxFile({.oneShot = 1, .rate = 0, .body = {1}}), false, 0},
        {"unknown compression", SvxFile({.oneShot = 1, .compression = 2, .body = {1}}), false, 0},
        {"no body", noBody, false, 0},
        {"another FORM", "FORM" + SvxBe(4, 4) + "AIFF", false, 0},
        {"header only", "FORM", false, 0},
        {"cut-off body plays as far as it goes", cut, true, 2},
    };
    for (const auto &c : kCases) {
        svx::Sound sound;
        EXPECT_EQ(Decode(c.file, &sound), c.ok) << c.what;
        EXPECT_EQ(sound.samples.size(), c.samples) << c.what;
    }
}

TEST(Svx, DefaultChimeIsAShortMonoSound)
{
    const char *data = getenv("TAVRIN_TEST_DATA");
    const std::string file
        = testplat::ReadFile(std::string(data ? data : "tests/data") + "/../../data/TR_special.8svx");
    svx::Sound sound;
    ASSERT_TRUE(Decode(file, &sound));
    EXPECT_EQ(sound.channels, 1);
    EXPECT_LT(sound.samples.size(), sound.rate * 3 / 2);
    int peak = 0;
    for (int16_t s : sound.samples)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 16000);
    EXPECT_EQ(sound.samples.back(), 0); // it fades out instead of stopping with a click
}

} // namespace
