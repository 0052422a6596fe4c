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

static std::vector<std::string> gLog;
static size_t gRequestersSeen;
static sound::Object *gPlaying;

// Requesters shown since the last entry go into the timeline before the next one.
static void Record(const std::string &event)
{
    for (const auto &shown = testplat::Requesters(); gRequestersSeen < shown.size();)
        gLog.push_back("requester " + shown[gRequestersSeen++].body);
    if (!event.empty())
        gLog.push_back(event);
}

// The host's event pump runs only while the program's task waits: the sound ends then.
static void EndPlayingSound(int)
{
    if (gPlaying) {
        Record("end " + gPlaying->name);
        exec::Signal(gPlaying->task, gPlaying->mask);
        gPlaying = nullptr;
    }
}

sound::Object *sound::NewDTObject(const char *name, exec::Task *signalTask, uint32_t signalMask)
{
    if (access(name, R_OK) == 0)
        return new Object {name, signalTask, signalMask};
    dos::SetIoErr(errno);
    return nullptr;
}

const char *sound::Trigger(Object *obj, uint32_t)
{
    Record("play " + obj->name);
    gPlaying = obj;
    exec_host::SetEventPump(EndPlayingSound, nullptr);
    return nullptr;
}

void sound::DisposeDTObject(Object *obj)
{
    Record("dispose " + obj->name);
    delete obj;
}

const char *notify::Notify(uint32_t, const char *title, const char *text)
{
    Record(std::string("notify ") + title + " | " + text);
    return nullptr;
}

std::vector<std::string> fakeannounce::Log()
{
    Record("");
    return gLog;
}

void fakeannounce::Reset()
{
    gLog.clear();
    gRequestersSeen = testplat::Requesters().size();
    exec_host::SetEventPump(nullptr, nullptr);
}
