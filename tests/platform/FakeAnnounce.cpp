#include "platform/FakeAnnounce.h"

#include <cerrno>
#include <unistd.h>

#include "TestPlatform.h"
#include "platform/dos.h"
#include "platform/host.h"
#include "platform/notify.h"
#include "platform/sound.h"

struct sound::Object {
    std::string name;
    exec::Task *task;
    uint32_t mask;
};

namespace {

std::vector<std::string> gLog;
size_t gRequestersSeen;
bool gNoOutput;
const char *gNotifyFailure;
sound::Object *gPlaying; // ends at the next turn of a waiting task's event pump

void SyncRequesters()
{
    const auto &shown = testplat::Requesters();
    while (gRequestersSeen < shown.size())
        gLog.push_back("requester " + shown[gRequestersSeen++].body);
}

void Record(const std::string &event)
{
    SyncRequesters();
    gLog.push_back(event);
}

void End(sound::Object *obj)
{
    Record("end " + obj->name);
    exec::Signal(obj->task, obj->mask);
}

// Runs while the program's task waits: the sound ends then, and only then.
void EndPlayingSound(int)
{
    if (sound::Object *obj = gPlaying) {
        gPlaying = nullptr;
        End(obj);
    }
}

} // namespace

namespace sound {

Object *NewDTObject(const char *name, exec::Task *signalTask, uint32_t signalMask)
{
    char path[4096];
    if (!dos::ResolvePath(name, path, sizeof path))
        return nullptr;
    if (access(path, R_OK) != 0) {
        dos::SetIoErr(errno);
        return nullptr;
    }
    return new Object {name, signalTask, signalMask};
}

const char *Trigger(Object *obj, uint32_t)
{
    Record("play " + obj->name);
    if (gNoOutput) {
        End(obj);
        return "no sound output: none in the test";
    }
    gPlaying = obj;
    exec_host::SetEventPump(EndPlayingSound, nullptr);
    return nullptr;
}

void DisposeDTObject(Object *obj)
{
    if (gPlaying == obj)
        gPlaying = nullptr;
    Record("dispose " + obj->name);
    delete obj;
}

} // namespace sound

namespace notify {

const char *Notify(uint32_t, const char *title, const char *text)
{
    if (gNotifyFailure)
        return gNotifyFailure;
    Record(std::string("notify ") + title + " | " + text);
    return nullptr;
}

} // namespace notify

namespace fakeannounce {

const std::vector<std::string> &Log()
{
    SyncRequesters();
    return gLog;
}

void SetNoOutput(bool noOutput)
{
    gNoOutput = noOutput;
}

void SetNotifyFailure(const char *reason)
{
    gNotifyFailure = reason;
}

void Reset()
{
    gLog.clear();
    gRequestersSeen = testplat::Requesters().size();
    gNoOutput = false;
    gNotifyFailure = nullptr;
    gPlaying = nullptr;
    exec_host::SetEventPump(nullptr, nullptr);
}

} // namespace fakeannounce
