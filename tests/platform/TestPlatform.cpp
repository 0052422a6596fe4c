#include "TestPlatform.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "FakePicture.h"
#include "platform/dos.h"
#include "platform/host.h"
#include "platform/requester.h"

namespace {

std::vector<testplat::Requester> gRequesters;
bool gRequestersAvailable = true;
unsigned long gDelayed = 0;
long gDays = 17872, gTicksOfDay = 0; // 5 December 2026

} // namespace

struct requester::Object {
    testplat::Requester rec;
};

namespace requester {

Object *NewRequester(const char *title, const char *body, const char *button)
{
    if (!gRequestersAvailable)
        return nullptr;
    return new Object {{title, body, button}};
}

int OpenRequester(Object *req)
{
    gRequesters.push_back(req->rec);
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
void SetRequestersAvailable(bool available)
{
    gRequestersAvailable = available;
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

void Reset()
{
    gRequesters.clear();
    gRequestersAvailable = true;
    gDelayed = 0;
    exec_host::ResetSignals();
    exec_host::SetVersion(54, 16);
    application_host::SetLibraryVersion(53);
    dos_host::FailWritesAfter(-1);
    fakepic::SetScreenAvailable(true);
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/tavrin-test-XXXXXX";
    m_path = mkdtemp(tmpl) ? tmpl : "/tmp";
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (m_path != "/tmp")
        std::filesystem::remove_all(m_path, ec);
}

static const char *const kDeviceVars[] = {"TAVRIN_ASSIGN_ENVARC", "TAVRIN_ASSIGN_RAM", "TAVRIN_ASSIGN_PROGDIR",
    "TAVRIN_ASSIGN_LOCALE", "TAVRIN_ASSIGN_TAVRIN"};

Devices::Devices(bool withHome)
{
    const std::string dirs[] = {envarc(), ram(), progdir(), m_root.path() + "/locale/", home()};
    for (size_t i = 0; i < 5; i++) {
        std::filesystem::create_directories(dirs[i]);
        if (i < 4 || withHome)
            setenv(kDeviceVars[i], dirs[i].c_str(), 1);
        else
            unsetenv(kDeviceVars[i]);
    }
    std::filesystem::permissions(ram(), std::filesystem::perms::owner_all);
}

Devices::~Devices()
{
    for (const char *var : kDeviceVars)
        unsetenv(var);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string &path)
{
    return std::filesystem::exists(path);
}

} // namespace testplat
