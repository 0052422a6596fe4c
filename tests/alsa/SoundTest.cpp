#include "platform/sound.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "platform/TestPlatform.h"
#include "platform/dos.h"
#include "platform/host.h"
#include "platform/posix/Knobs.h"

namespace {

using Samples = std::vector<int16_t>;
using exec::SIGBREAKF_CTRL_D;
using testplat::SecondsSince;

// A 16-bit WAV file of `samples`, interleaved when there are two `channels`.
void WriteWav(const std::string &path, const Samples &samples, int rate, int channels = 1)
{
    SF_INFO wav {0, rate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &wav);
    sf_writef_short(f, samples.data(), sf_count_t(samples.size()) / channels);
    sf_close(f);
}

// An IFF 8SVX file whose VHDR asks for the whole body at 8000 frames per second.
std::string Svx(int compression, const std::string &body, bool stereo)
{
    auto be32 = [](size_t v) { return std::string {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    const std::string form = "8SVXVHDR" + be32(20) + be32(0) + be32(0) + be32(0) + "\x1f\x40\x01" + char(compression)
        + be32(0x10000) + (stereo ? "CHAN" + be32(4) + be32(6) : "") + "BODY" + be32(body.size()) + body;
    return "FORM" + be32(form.size()) + form;
}

// Each file is loaded and played with ALSA's "default" device pointed at its file plugin, or at a card
// that does not exist, by a configuration of the test's own (ALSA reads the file named in
// ALSA_CONFIG_PATH again whenever that name changes).
TEST(Sound, PlaysWholeSoundsAndRefusesFilesThatAreNone)
{
    testplat::TempDir dir;
    Samples sine; // 0.8 s at 22050 frames per second
    for (int i = 0; i < 17640; i++)
        sine.push_back(int16_t(12000 * std::sin(2 * M_PI * 440 * i / 22050)));
    WriteWav(dir.file("sine.wav"), sine, 22050);
    // A stereo body holds the left channel, then the right one; each half is compressed on its own:
    // pad byte, first value, then deltas high nibble first (9 = +1, 10 = +2, 7 = -1, 0 = -34).
    testplat::WriteFile(dir.file("two.8svx"), Svx(1, std::string("\0\x05\x9a\0\xfb\x70", 6), true));
    testplat::WriteFile(dir.file("squeezed.8svx"), Svx(2, "\x01\x02", false));
    testplat::WriteFile(dir.file("notes.txt"), "No sound here.\n");
    mkfifo(dir.file("fifo").c_str(), 0600); // an open that waited for a writer would hang here
    testplat::WriteFile(dir.file("empty.8svx"), Svx(0, "", false));
    testplat::WriteFile(dir.file("fib1.8svx"), Svx(1, "\x01", false));
    testplat::WriteFile(dir.file("stereo1.8svx"), Svx(0, "\x01", true));
    const std::string plugin = "{ type file slave.pcm { type null } file \"" + dir.file("out.wav") + "\" format wav }";
    const struct {
        std::string file, device;
        int32_t error; // of the load
        int channels, rate; // of what was played; 0 for nothing
        Samples samples;
        bool quit = false; // a quit from outside is pending: nothing is heard
    } kCases[] = {
        {"sine.wav", plugin, 0, 1, 22050, sine},
        {"sine.wav", plugin, 0, 0, 0, {}, true}, // the device is not even opened
        {"two.8svx", plugin, 0, 2, 8000, {6 * 256, -6 * 256, 8 * 256, -40 * 256}},
        {"two.8svx", "{ type hw card 7 }", 0, 0, 0, {}}, // no output device: the end comes at once
        {"missing.wav", plugin, ENOENT, 0, 0, {}},
        {"notes.txt", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
        {"squeezed.8svx", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
        {"fifo", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
        // ASvxWithoutFramesIsNoSound
        {"empty.8svx", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
        {"fib1.8svx", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
        {"stereo1.8svx", plugin, dos::DTERROR_UNKNOWN_DATATYPE, 0, 0, {}},
    };
    for (const auto &c : kCases) {
        const std::string conf = dir.file("asound" + std::to_string(&c - kCases) + ".conf");
        testplat::WriteFile(conf, "pcm.!default " + c.device + "\n");
        setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
        unlink(dir.file("out.wav").c_str());
        sound::Object *obj = sound::NewDTObject(dir.file(c.file).c_str(), exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
        EXPECT_EQ(obj ? 0 : dos::IoErr(), c.error) << c.file;
        if (obj) {
            exec::SetSignal(0, SIGBREAKF_CTRL_D);
            if (c.quit)
                exec_host::RequestQuit();
            EXPECT_EQ(sound::Trigger(obj, sound::STM_PLAY) != nullptr, c.channels == 0 && !c.quit) << c.file;
            EXPECT_EQ(exec::Wait(SIGBREAKF_CTRL_D), SIGBREAKF_CTRL_D);
            sound::DisposeDTObject(obj);
            exec_host::ResetSignals();
        }
        SF_INFO info {};
        SNDFILE *out = sf_open(dir.file("out.wav").c_str(), SFM_READ, &info);
        Samples played(size_t(info.frames * info.channels));
        sf_readf_short(out, played.data(), info.frames);
        sf_close(out);
        // The device may round the end up to a whole period of silence.
        Samples expected = c.samples;
        played.resize(std::max(played.size(), expected.size()));
        expected.resize(played.size());
        EXPECT_EQ(std::tuple(info.channels, info.samplerate, played), std::tuple(c.channels, c.rate, expected))
            << c.file;
    }
    unsetenv("ALSA_CONFIG_PATH");
}

// ALSA's file plugin writes into a FIFO that nobody opens: the plugin blocks inside ALSA, beyond the
// reach of any stop. Trigger does not wait for it for ever, the sound ends for the program after its
// length and a few seconds more, and the player comes back, freeing what it holds, once the FIFO is read.
// (The fault suite quits the program while it plays into a FIFO that is held open but never read.)
TEST(Sound, AStalledOutputNeverHoldsTheProgram)
{
    testplat::TempDir dir;
    WriteWav(dir.file("short.wav"), Samples(96000, 3000), 96000, 2); // half a second, more than a FIFO holds
    const std::string fifo = dir.file("out"), conf = dir.file("asound.conf");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    testplat::WriteFile(conf, "pcm.!default { type file slave.pcm { type null } file \"" + fifo + "\" format raw }\n");
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    sound::Object *obj = sound::NewDTObject(dir.file("short.wav").c_str(), exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
    ASSERT_NE(obj, nullptr);
    exec::SetSignal(0, SIGBREAKF_CTRL_D);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sound::Trigger(obj, sound::STM_PLAY), nullptr);
    EXPECT_EQ(exec::Wait(SIGBREAKF_CTRL_D), SIGBREAKF_CTRL_D);
    sound::DisposeDTObject(obj);
    EXPECT_LT(SecondsSince(start), 5);

    // A blocking open meets the player's own; reading to the end lets it finish.
    const int reader = open(fifo.c_str(), O_RDONLY);
    char buf[65536];
    while (read(reader, buf, sizeof buf) > 0) { }
    close(reader);
    unsetenv("ALSA_CONFIG_PATH");
}

} // namespace
