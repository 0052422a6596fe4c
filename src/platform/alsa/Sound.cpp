#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sndfile.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/alsa/Svx.h"
#include "platform/dos.h"
#include "platform/host.h"

// libsndfile decodes the file (8SVX goes to our own reader) and ALSA plays it on the "default" device,
// which PipeWire or PulseAudio take over where they run. Once playing has started, only the player
// thread touches the decoder and the device; the object goes only after that thread has ended.

namespace {

constexpr off_t kMaxSvxBytes = 64 << 20; // an 8SVX file is read whole
constexpr unsigned kLatencyUs = 200000;
constexpr size_t kChunkFrames = 2048;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 768000;

} // namespace

struct sound::Object {
    exec::Task *task = nullptr;
    uint32_t mask = 0;
    int fd = -1;
    SNDFILE *file = nullptr; // formats other than 8SVX, read while playing
    svx::Sound svx; // 8SVX, decoded when loaded
    size_t svxFrame = 0;
    int channels = 0;
    uint32_t rate = 0;
    std::thread player;
    std::atomic<bool> stop {false};
    std::string outputError;
};

namespace {

// ALSA reports every failed open on stderr; the caller reports what matters instead.
void SilentAlsaErrors(const char *, int, const char *, int, const char *, ...) { }

// A regular file opened for reading, or -1 with IoErr set. The open does not block on a FIFO.
int OpenRegular(const char *name, off_t *size)
{
    char path[4096];
    if (!dos::ResolvePath(name, path, sizeof path))
        return -1;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        dos::SetIoErr(errno);
        return -1;
    }
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        dos::SetIoErr(S_ISDIR(st.st_mode) ? EISDIR : dos::DTERROR_UNKNOWN_DATATYPE);
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, 0);
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

bool LoadSvx(sound::Object *obj, off_t size)
{
    std::vector<unsigned char> data(static_cast<size_t>(size));
    if (size > kMaxSvxBytes || !ReadAll(obj->fd, &data) || !svx::Decode(data.data(), data.size(), &obj->svx))
        return false;
    obj->channels = obj->svx.channels;
    obj->rate = obj->svx.rate;
    return true;
}

bool LoadOther(sound::Object *obj)
{
    SF_INFO info {};
    obj->file = sf_open_fd(obj->fd, SFM_READ, &info, SF_FALSE);
    obj->channels = info.channels;
    obj->rate = static_cast<uint32_t>(info.samplerate);
    return obj->file && info.channels >= 1 && info.channels <= kMaxChannels && info.samplerate > 0
        && info.samplerate <= kMaxRate;
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
    memcpy(buf, obj->svx.samples.data() + obj->svxFrame * channels, n * channels * sizeof(int16_t));
    obj->svxFrame += n;
    return n;
}

// Blocks until the device has taken every frame; false when it fails beyond recovery.
bool WriteFrames(snd_pcm_t *pcm, const int16_t *p, size_t frames, int channels)
{
    while (frames > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, p, frames);
        if (n < 0)
            n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
        if (n < 0)
            return false;
        p += n * channels;
        frames -= static_cast<size_t>(n);
    }
    return true;
}

// A quit from outside (log-out) must not wait for a long sample to end.
bool Stopping(const sound::Object *obj)
{
    return obj->stop || exec_host::QuitPending();
}

void PlayerMain(sound::Object *obj, snd_pcm_t *pcm)
{
    std::vector<int16_t> buf(kChunkFrames * static_cast<size_t>(obj->channels));
    bool ok = true;
    while (ok && !Stopping(obj)) {
        const size_t n = ReadFrames(obj, buf.data(), kChunkFrames);
        if (n == 0)
            break;
        ok = WriteFrames(pcm, buf.data(), n, obj->channels);
    }
    if (ok && !Stopping(obj))
        snd_pcm_drain(pcm);
    else
        snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    exec::Signal(obj->task, obj->mask);
}

snd_pcm_t *OpenOutput(const sound::Object *obj, int *err)
{
    static const int silenced = snd_lib_error_set_handler(SilentAlsaErrors);
    (void)silenced;
    snd_pcm_t *pcm = nullptr;
    // Opened without blocking so that a device held by another program fails at once.
    *err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (*err >= 0)
        *err = snd_pcm_nonblock(pcm, 0);
    if (*err >= 0)
        *err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
            static_cast<unsigned>(obj->channels), obj->rate, 1, kLatencyUs);
    if (*err < 0 && pcm) {
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    return pcm;
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
    if (!(IsSvxFile(fd) ? LoadSvx(obj, size) : LoadOther(obj))) {
        DisposeDTObject(obj);
        dos::SetIoErr(dos::DTERROR_UNKNOWN_DATATYPE);
        return nullptr;
    }
    return obj;
}

const char *Trigger(Object *obj, uint32_t function)
{
    if (!obj || function != STM_PLAY || obj->player.joinable())
        return nullptr;
    int err = 0;
    snd_pcm_t *pcm = OpenOutput(obj, &err);
    if (pcm) {
        try {
            obj->player = std::thread(PlayerMain, obj, pcm);
            return nullptr;
        } catch (const std::system_error &) {
            snd_pcm_close(pcm);
            err = -EAGAIN;
        }
    }
    obj->outputError = std::string("no sound output: ") + snd_strerror(err);
    exec::Signal(obj->task, obj->mask);
    return obj->outputError.c_str();
}

void DisposeDTObject(Object *obj)
{
    if (!obj)
        return;
    obj->stop = true;
    if (obj->player.joinable())
        obj->player.join();
    if (obj->file)
        sf_close(obj->file);
    if (obj->fd >= 0)
        close(obj->fd);
    delete obj;
}

} // namespace sound
