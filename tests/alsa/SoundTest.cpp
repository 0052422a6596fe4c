#include "platform/sound.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "SvxImage.h"
#include "platform/TestPlatform.h"
#include "platform/dos.h"

// The real decoder and ALSA, with ALSA's "default" device pointed at its file plugin (or at a card
// that does not exist) through a configuration of the test's own.

namespace {

using exec::SIGBREAKF_CTRL_D;

using Samples = std::vector<int16_t>;

// ALSA reads the configuration named in ALSA_CONFIG_PATH, and reads it again when that name changes.
struct AlsaDefault {
    testplat::TempDir dir;
    ~AlsaDefault() { unsetenv("ALSA_CONFIG_PATH"); }
    void Set(const std::string &pcm)
    {
        const std::string conf = dir.file("asound.conf");
        testplat::WriteFile(conf, "pcm.!default " + pcm + "\n");
        setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }
    // Writes what is played into out() as a WAV file, as fast as it comes.
    void SetFilePlugin() { Set("{ type file slave.pcm { type null } file \"" + out() + "\" format \"wav\" }"); }
    std::string out() const { return dir.file("out.wav"); }
};

void WriteSound(const std::string &path, int format, int channels, int rate, const Samples &samples)
{
    SF_INFO info {};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_short(f, samples.data(), sf_count_t(samples.size()) / channels);
    sf_close(f);
}

Samples ReadSound(const std::string &path, SF_INFO *info)
{
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, info);
    Samples out(f ? size_t(info->frames * info->channels) : 0);
    if (f) {
        sf_readf_short(f, out.data(), info->frames);
        sf_close(f);
    }
    return out;
}

Samples Sine(int frames, int channels, int rate)
{
    Samples out;
    for (int i = 0; i < frames; i++) {
        for (int ch = 0; ch < channels; ch++)
            out.push_back(int16_t(12000 * std::sin(2 * M_PI * (440 + 110 * ch) * i / rate)));
    }
    return out;
}

TEST(Sound, PlaysTheWholeSoundAndSignalsItsEnd)
{
    testplat::TempDir dir;
    const std::string svx = dir.file("stereo.8svx");
    testplat::WriteFile(svx, SvxFile({.oneShot = 0, .compression = 1, .body = {0, 5, 0x9A, 0, -5, 0x70}, .chan = 6}));
    const struct {
        std::string file;
        int format, channels, rate;
        Samples samples;
    } kCases[] = {
        {dir.file("chime.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, Sine(17640, 1, 22050)}, // 0.8 s
        {dir.file("chime.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, Sine(3000, 2, 44100)},
        {svx, 0, 2, 8000, {6 * 256, -6 * 256, 8 * 256, -40 * 256}},
    };
    for (const auto &c : kCases) {
        if (c.format)
            WriteSound(c.file, c.format, c.channels, c.rate, c.samples);
        AlsaDefault alsa;
        alsa.SetFilePlugin();
        exec::SetSignal(0, SIGBREAKF_CTRL_D);
        sound::Object *obj = sound::NewDTObject(c.file.c_str(), exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
        ASSERT_NE(obj, nullptr) << c.file;
        EXPECT_EQ(sound::Trigger(obj, sound::STM_PLAY), nullptr);
        EXPECT_EQ(exec::Wait(SIGBREAKF_CTRL_D), SIGBREAKF_CTRL_D);
        sound::DisposeDTObject(obj);

        SF_INFO info {};
        Samples out = ReadSound(alsa.out(), &info);
        EXPECT_EQ(info.channels, c.channels) << c.file;
        EXPECT_EQ(info.samplerate, c.rate) << c.file;
        // The device may round the end up to a whole period of silence.
        ASSERT_GE(out.size(), c.samples.size()) << c.file;
        EXPECT_EQ(Samples(out.begin(), out.begin() + long(c.samples.size())), c.samples) << c.file;
        EXPECT_EQ(Samples(out.begin() + long(c.samples.size()), out.end()), Samples(out.size() - c.samples.size()));
    }
}

TEST(Sound, FilesThatAreNoSoundFailToLoadWithTheirReason)
{
    testplat::TempDir dir;
    testplat::WriteFile(dir.file("notes.txt"), "Tavrin plays this? No.\n");
    testplat::WriteFile(dir.file("squeezed.8svx"), SvxFile({.oneShot = 1, .compression = 2, .body = {1, 2}}));
    mkfifo(dir.file("fifo").c_str(), 0600); // an open that waited for a writer would hang the test
    const struct {
        std::string name;
        int32_t error;
    } kCases[] = {
        {dir.file("missing.wav"), ENOENT},
        {dir.path(), EISDIR},
        {dir.file("notes.txt"), dos::DTERROR_UNKNOWN_DATATYPE},
        {dir.file("squeezed.8svx"), dos::DTERROR_UNKNOWN_DATATYPE},
        {dir.file("fifo"), dos::DTERROR_UNKNOWN_DATATYPE},
        {"NOSUCHDEVICE:chime.wav", ENOENT},
    };
    for (const auto &c : kCases) {
        dos::SetIoErr(0);
        EXPECT_EQ(sound::NewDTObject(c.name.c_str(), exec::FindTask(nullptr), SIGBREAKF_CTRL_D), nullptr) << c.name;
        EXPECT_EQ(dos::IoErr(), c.error) << c.name;
    }
}

TEST(Sound, WithoutAnOutputDeviceTheEndIsSignalledAtOnce)
{
    testplat::TempDir dir;
    testplat::WriteFile(dir.file("beep.8svx"), SvxFile({.oneShot = 2, .body = {10, 20}}));
    AlsaDefault alsa;
    alsa.Set("{ type hw card 7 }");
    exec::SetSignal(0, SIGBREAKF_CTRL_D);
    sound::Object *obj = sound::NewDTObject(dir.file("beep.8svx").c_str(), exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
    ASSERT_NE(obj, nullptr);
    const char *failure = sound::Trigger(obj, sound::STM_PLAY);
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(std::string(failure).rfind("no sound output: ", 0), 0u) << failure;
    EXPECT_EQ(exec::SetSignal(0, SIGBREAKF_CTRL_D) & SIGBREAKF_CTRL_D, SIGBREAKF_CTRL_D);
    sound::DisposeDTObject(obj);
}

} // namespace
