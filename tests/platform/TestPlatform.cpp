#include "TestPlatform.h"

#include <filesystem>
#include <unistd.h>

#include "FakePicture.h"
#include "platform/dos.h"
#include "platform/posix/Knobs.h"
#include "platform/requester.h"

static std::vector<testplat::Requester> gRequesters;
static unsigned long gDelayed = 0;
static long gDays = 17872, gTicksOfDay = 0; // 5 December 2026

struct requester::Object : testplat::Requester { };

namespace requester {

Object *NewRequester(const char *title, const char *body, const char *button)
{
    return new Object {{title, body, button}};
}

int OpenRequester(Object *req)
{
    gRequesters.push_back(*req);
    return 0;
}

void DisposeObject(Object *req)
{
    delete req;
}

} // namespace requester

namespace dos {

void Delay(uint32_t ticks)
{
    gDelayed += ticks;
    gTicksOfDay += ticks;
    gDays += gTicksOfDay / (86400L * 50);
    gTicksOfDay %= 86400L * 50;
}

void DateStamp(Stamp *ds)
{
    ds->ds_Days = static_cast<int32_t>(gDays);
    ds->ds_Minute = static_cast<int32_t>(gTicksOfDay / (60 * 50));
    ds->ds_Tick = static_cast<int32_t>(gTicksOfDay % (60 * 50));
}

} // namespace dos

namespace testplat {

std::vector<Requester> &Requesters()
{
    return gRequesters;
}

std::vector<std::string> RequesterBodies()
{
    std::vector<std::string> bodies;
    for (const Requester &r : gRequesters)
        bodies.push_back(r.body);
    return bodies;
}

std::string LastRequesterBody()
{
    return gRequesters.empty() ? "" : gRequesters.back().body;
}
unsigned long DelayedTicks()
{
    return gDelayed;
}

void SetClock(long days, long ticksOfDay)
{
    gDays = days;
    gTicksOfDay = ticksOfDay;
}

void NameProgramFile(const char *path)
{
    static const TempDir dir;
    const std::string link = dir.file("exe");
    std::filesystem::remove(link);
    if (path)
        std::filesystem::create_symlink(path, link);
    autostart_host::SetProgramLink(path ? link.c_str() : nullptr);
}

void Reset()
{
    gRequesters.clear();
    gDelayed = 0;
    exec_host::ResetSignals();
    exec_host::SetVersion(54, 16);
    application_host::SetLibraryVersion(53);
    LimitFileSize(-1);
    NameProgramFile(nullptr);
    fakepic::SetScreenAvailable(true);
}

} // namespace testplat
