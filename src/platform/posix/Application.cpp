#include "platform/application.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dos.h"
#include "platform/host.h"
#include "platform/posix/Knobs.h"
#include "platform/posix/PosixDos.h"
#include "platform/posix/Signals.h"

// A unique application holds an exclusive flock on RAM:Tavrin.lock; the kernel drops it if the
// program dies, so a crashed run never blocks the next one.

namespace {

int gLockFd = -1;
exec::MsgPort *gAppPort = nullptr;
constexpr uint32_t kAppID = 1;
uint32_t gLibVersion = 53;
application_host::AddDockIconFn gAddDockIcon = nullptr;
application_host::RemoveDockIconFn gRemoveDockIcon = nullptr;
bool gDockIconShown = false;
application::RegisterError gFailure = application::REGERR_None;

} // namespace

namespace application {

bool OpenLibrary(uint32_t minVersion)
{
    return minVersion <= gLibVersion;
}
void CloseLibrary() { }

uint32_t RegisterApplication(const char *, const RegisterTags &tags)
{
    gFailure = REGERR_Running;
    if (gLockFd >= 0)
        return 0;
    if (tags.uniqueApplication) {
        std::string ram = posix_dos::PrivateRamDir(&gFailure);
        if (ram.empty())
            return 0;
        gFailure = REGERR_RamUnusable;
        int fd = open((ram + "Tavrin.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return 0;
        gFailure = REGERR_Running;
        fchmod(fd, 0600);
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            dos::SetIoErr(errno);
            close(fd);
            return 0;
        }
        gLockFd = fd;
    }
    gAppPort = exec::CreatePort();
    if (!gAppPort) {
        UnregisterApplication(kAppID);
        return 0;
    }
    gFailure = REGERR_None;
    posix_signals::SetQuitPort(gAppPort);
    const ApplicationIconInfo *aii = tags.appIconInfo;
    if (gAddDockIcon && !tags.noIcon && aii && aii->iconType == APPICONT_Docky && aii->info) {
        gAddDockIcon(aii->info);
        gDockIconShown = true;
    }
    return kAppID;
}

RegisterError RegisterFailure()
{
    return gFailure;
}

exec::MsgPort *GetApplicationPort(uint32_t appID)
{
    return appID == kAppID ? gAppPort : nullptr;
}

void UnregisterApplication(uint32_t)
{
    if (gDockIconShown) {
        gRemoveDockIcon();
        gDockIconShown = false;
    }
    posix_signals::SetQuitPort(nullptr);
    exec::DeletePort(gAppPort);
    gAppPort = nullptr;
    if (gLockFd >= 0) {
        close(gLockFd);
        gLockFd = -1;
    }
}

} // namespace application

namespace application_host {

void SetLibraryVersion(uint32_t version)
{
    gLibVersion = version;
}

void SetDock(AddDockIconFn add, RemoveDockIconFn remove)
{
    gAddDockIcon = add;
    gRemoveDockIcon = remove;
}

} // namespace application_host
