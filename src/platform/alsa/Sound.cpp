#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <poll.h>
#include <sndfile.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/alsa/Svx.h"
#include "platform/dos.h"
#include "platform/host.h"
#include "platform/posix/PosixDos.h"

// libsndfile decodes the file (8SVX goes to our own reader) and ALSA plays it on the "default" device,
// which PipeWire or PulseAudio take over where they run. The device lies outside the program: the
// player thread opens it and writes without blocking, and gives up when the device takes nothing for a
// while. A device can still block inside ALSA (a plugin writing into a pipe that nobody reads), so a
// watch thread ends the sound for the program on a quit, or once it has taken far longer than it lasts,
// and an object whose player does not come back is left to that player for the rest of the run.

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr off_t kMaxSvxBytes = 16 << 20; // an 8SVX file is read whole; this is half an hour at 8 kHz
constexpr unsigned kLatencyUs = 200000;
constexpr size_t kChunkFrames = 2048;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 768000;
constexpr int kSliceMs = 50; // how often a wait looks at the stop and the quit
constexpr int kStallMs = 2000; // a device that takes nothing for this long has stopped
constexpr int kOpenWaitMs = 1000; // how long Trigger waits for the device to open
constexpr int kLeaveMs = 300; // how long DisposeDTObject waits for a player that was told to stop
constexpr int64_t kMaxLengthMs = 24 * 3600 * 1000;

} // namespace

struct sound::Object {
    enum class Phase { Opening, Playing, Failed, Done };

    exec::Task *task = nullptr;
    uint32_t mask = 0;
    int fd = -1;
    SNDFILE *file = nullptr; // formats other than 8SVX, read while playing
    svx::Sound svx; // 8SVX, decoded when loaded
    size_t svxFrame = 0;
    int channels = 0;
    uint32_t rate = 0;
    int64_t frames = 0; // the sound's length
    std::thread player, watch;
    std::atomic<bool> stop {false};
    std::atomic<bool> ended {false}; // the program has been told
    int wake = -1; // an eventfd for the watch: the player has ended, or the object goes
    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::Opening; // under the mutex, as the two below
    std::string outputError; // why it is Failed
    bool abandoned = false; // no one waits for the player any more: it frees the object when it ends
};

namespace {

using Phase = sound::Object::Phase;

// ALSA reports every failed open on stderr; the caller reports what matters instead.
void SilentAlsaErrors(const char *, int, const char *, int, const char *, ...) { }

void Free(sound::Object *obj)
{
    if (obj->wake >= 0)
        close(obj->wake);
    if (obj->file)
        sf_close(obj->file);
    if (obj->fd >= 0)
        close(obj->fd);
    delete obj;
}

// A regular file opened for reading, or -1 with IoErr set. The open does not block on a FIFO.
int OpenRegular(const char *name, off_t *size)
{
    char path[4096];
    if (!dos::ResolvePath(name, path, sizeof path))
        return -1;
    const int fd = posix_dos::OpenOfType(path, O_RDONLY, S_IFREG);
    struct stat st { };
    if (fd < 0 || fstat(fd, &st) != 0) {
        dos::SetIoErr(errno == EINVAL ? dos::DTERROR_UNKNOWN_DATATYPE : errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    *size = st.st_size;
    return fd;
}

bool ReadAll(int fd, std::vector<unsigned char> *data)
{
    size_t got = 0;
    while (got < data->size()) {
        const ssize_t n = pread(fd, data->data() + got, data->size() - got, static_cast<off_t>(got));
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// 0, or why the file cannot be played. Its size is checked before anything is allocated for it.
int32_t LoadSvx(sound::Object *obj, off_t size)
{
    if (size > kMaxSvxBytes)
        return EFBIG;
    std::vector<unsigned char> data(static_cast<size_t>(size));
    if (!ReadAll(obj->fd, &data) || !svx::Decode(data.data(), data.size(), &obj->svx))
        return dos::DTERROR_UNKNOWN_DATATYPE;
    obj->channels = obj->svx.channels;
    obj->rate = obj->svx.rate;
    obj->frames = static_cast<int64_t>(obj->svx.samples.size()) / obj->channels;
    return 0;
}

int32_t LoadOther(sound::Object *obj)
{
    SF_INFO info {};
    obj->file = sf_open_fd(obj->fd, SFM_READ, &info, SF_FALSE);
    obj->channels = info.channels;
    obj->rate = static_cast<uint32_t>(info.samplerate);
    obj->frames = info.frames;
    const bool playable = obj->file && info.channels >= 1 && info.channels <= kMaxChannels && info.samplerate > 0
        && info.samplerate <= kMaxRate;
    return playable ? 0 : dos::DTERROR_UNKNOWN_DATATYPE;
}

bool IsSvxFile(int fd)
{
    unsigned char head[12];
    return pread(fd, head, sizeof head, 0) == sizeof head && svx::IsSvx(head, sizeof head);
}

size_t ReadFrames(sound::Object *obj, int16_t *buf, size_t frames)
{
    if (obj->file) {
        const sf_count_t n = sf_readf_short(obj->file, buf, static_cast<sf_count_t>(frames));
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    const size_t channels = static_cast<size_t>(obj->channels);
    const size_t n = std::min(frames, obj->svx.samples.size() / channels - obj->svxFrame);
    if (n > 0)
        memcpy(buf, obj->svx.samples.data() + obj->svxFrame * channels, n * channels * sizeof(int16_t));
    obj->svxFrame += n;
    return n;
}

// A quit from outside (log-out) must not wait for a long sample to end.
bool Stopping(const sound::Object *obj)
{
    return obj->stop || exec_host::QuitPending();
}

// Tells the program, once, that the sound has ended.
void End(sound::Object *obj)
{
    if (!obj->ended.exchange(true))
        exec::Signal(obj->task, obj->mask);
}

void SetPhase(sound::Object *obj, Phase phase, const std::string &error = {})
{
    std::lock_guard<std::mutex> lock(obj->mutex);
    obj->phase = phase;
    obj->outputError = error;
    obj->changed.notify_all();
}

// Waits up to `ms` for the player to end; false when it has not.
bool PlayerDone(sound::Object *obj, int ms)
{
    std::unique_lock<std::mutex> lock(obj->mutex);
    return obj->changed.wait_for(lock, milliseconds(ms), [obj] { return obj->phase == Phase::Done; });
}

// Leaves the object to a player that has not ended; false when it has ended meanwhile after all.
bool Abandon(sound::Object *obj)
{
    obj->player.detach();
    std::lock_guard<std::mutex> lock(obj->mutex);
    obj->abandoned = obj->phase != Phase::Done;
    return obj->abandoned;
}

// Hands the frames to the device as it takes them. False when it fails beyond recovery, has taken
// nothing for kStallMs, or the sound is to stop.
bool WriteFrames(const sound::Object *obj, snd_pcm_t *pcm, const int16_t *p, size_t frames)
{
    auto progress = Clock::now();
    while (frames > 0) {
        if (Stopping(obj))
            return false;
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, p, frames);
        if (n == -EAGAIN) {
            if (Clock::now() - progress > milliseconds(kStallMs))
                return false;
            const int ready = snd_pcm_wait(pcm, kSliceMs);
            if (ready < 0 && snd_pcm_recover(pcm, ready, 1) < 0)
                return false;
            continue;
        }
        if (n < 0 && snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0)
            return false;
        if (n < 0)
            continue;
        progress = Clock::now();
        p += n * obj->channels;
        frames -= static_cast<size_t>(n);
    }
    return true;
}

// Lets the device play out what it holds, as long as it keeps playing. False when it did not.
bool Drain(const sound::Object *obj, snd_pcm_t *pcm)
{
    const auto end = Clock::now() + std::chrono::microseconds(kLatencyUs) + milliseconds(kStallMs);
    const int err = snd_pcm_drain(pcm);
    if (err != -EAGAIN)
        return err == 0;
    while (snd_pcm_avail(pcm), snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING) {
        if (Stopping(obj) || Clock::now() > end)
            return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

void Play(sound::Object *obj, snd_pcm_t *pcm)
{
    std::vector<int16_t> buf(kChunkFrames * static_cast<size_t>(obj->channels));
    bool ok = true;
    while (ok && !Stopping(obj)) {
        const size_t n = ReadFrames(obj, buf.data(), kChunkFrames);
        if (n == 0)
            break;
        ok = WriteFrames(obj, pcm, buf.data(), n);
    }
    if (!ok || Stopping(obj) || !Drain(obj, pcm))
        snd_pcm_drop(pcm);
}

snd_pcm_t *OpenOutput(const sound::Object *obj, int *err)
{
    static const int silenced = snd_lib_error_set_handler(SilentAlsaErrors);
    (void)silenced;
    snd_pcm_t *pcm = nullptr;
    // Without blocking: a device held by another program fails at once, and writes never wait.
    *err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (*err >= 0)
        *err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
            static_cast<unsigned>(obj->channels), obj->rate, 1, kLatencyUs);
    if (*err < 0 && pcm) {
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    return pcm;
}

void PlayerMain(sound::Object *obj)
{
    int err = 0;
    if (snd_pcm_t *pcm = OpenOutput(obj, &err)) {
        SetPhase(obj, Phase::Playing);
        Play(obj, pcm);
        snd_pcm_close(pcm);
    } else {
        SetPhase(obj, Phase::Failed, std::string("no sound output: ") + snd_strerror(err));
    }
    End(obj);
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(obj->wake, &one, sizeof one);
    bool abandoned;
    {
        std::lock_guard<std::mutex> lock(obj->mutex);
        obj->phase = Phase::Done;
        abandoned = obj->abandoned;
        obj->changed.notify_all();
    }
    if (abandoned)
        Free(obj);
}

// How long the player may take before the program stops waiting for it.
int64_t LimitMs(const sound::Object *obj)
{
    const int64_t lengthMs
        = obj->frames > 0 ? obj->frames / obj->rate * 1000 + obj->frames % obj->rate * 1000 / obj->rate : 0;
    return std::min(lengthMs, kMaxLengthMs) + kOpenWaitMs + kStallMs + kLatencyUs / 1000;
}

// Ends the sound for the program when the player ends, on a quit, or at `limitMs`, whichever comes first.
void WatchMain(sound::Object *obj, int64_t limitMs)
{
    posix_dos::WaitFor(obj->wake, POLLIN, Clock::now() + milliseconds(limitMs));
    End(obj);
}

// Starts the watch, then the player; false when a thread cannot be had (the sound has ended then).
bool StartThreads(sound::Object *obj)
{
    obj->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (obj->wake < 0)
        return false;
    try {
        obj->watch = std::thread(WatchMain, obj, LimitMs(obj));
    } catch (const std::system_error &) {
        return false;
    }
    try {
        obj->player = std::thread(PlayerMain, obj);
    } catch (const std::system_error &) {
        SetPhase(obj, Phase::Failed);
        return false;
    }
    return true;
}

} // namespace

namespace sound {

Object *NewDTObject(const char *name, exec::Task *signalTask, uint32_t signalMask)
{
    off_t size = 0;
    const int fd = OpenRegular(name, &size);
    if (fd < 0)
        return nullptr;
    auto *obj = new (std::nothrow) Object;
    if (!obj) {
        close(fd);
        dos::SetIoErr(ENOMEM);
        return nullptr;
    }
    obj->task = signalTask;
    obj->mask = signalMask;
    obj->fd = fd;
    if (const int32_t error = IsSvxFile(fd) ? LoadSvx(obj, size) : LoadOther(obj)) {
        DisposeDTObject(obj);
        dos::SetIoErr(error);
        return nullptr;
    }
    return obj;
}

const char *Trigger(Object *obj, uint32_t function)
{
    if (!obj || function != STM_PLAY || obj->player.joinable() || obj->ended)
        return nullptr;
    if (exec_host::QuitPending()) {
        End(obj);
        return nullptr;
    }
    if (!StartThreads(obj)) {
        End(obj);
        return "no sound output: no thread for it";
    }
    // The device opens on the player's thread; its answer is waited for a moment, never for ever.
    std::unique_lock<std::mutex> lock(obj->mutex);
    const auto end = Clock::now() + milliseconds(kOpenWaitMs);
    while (obj->phase == Phase::Opening && Clock::now() < end && !exec_host::QuitPending())
        obj->changed.wait_for(lock, milliseconds(kSliceMs));
    return obj->outputError.empty() ? nullptr : obj->outputError.c_str();
}

void DisposeDTObject(Object *obj)
{
    if (!obj)
        return;
    obj->stop = true;
    if (obj->watch.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(obj->wake, &one, sizeof one);
        obj->watch.join();
    }
    // A player stuck inside ALSA keeps the object and frees it if it ever comes back.
    if (obj->player.joinable() && PlayerDone(obj, kLeaveMs))
        obj->player.join();
    else if (obj->player.joinable() && Abandon(obj))
        return;
    Free(obj);
}

} // namespace sound
