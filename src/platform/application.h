#pragma once

// The application library: unique registration and its message port.

#include <cstdint>

#include "platform/exec.h"

namespace application {

constexpr uint32_t APPLIBMT_Quit = 100;
constexpr uint32_t APPLIBMT_ForceQuit = 101;

enum AppIconType { APPICONT_None = 0, APPICONT_Docky = 1 };

struct ApplicationIconInfo {
    AppIconType iconType;
    void *info; // the dock icon library base for APPICONT_Docky
};

struct RegisterTags {
    void *wbStartup;
    const char *urlIdentifier;
    bool uniqueApplication;
    ApplicationIconInfo *appIconInfo;
    bool noIcon;
    const char *description; // null: not passed
};

// Why a registration failed: another instance holds it (or it failed otherwise), or the RAM: directory
// it lives in was refused, for the reason named.
enum RegisterError {
    REGERR_None = 0,
    REGERR_Running,
    REGERR_RamIsLink,
    REGERR_RamForeign,
    REGERR_RamShared,
    REGERR_RamUnusable,
};

// Opens the library; false when it cannot be had.
bool OpenLibrary(uint32_t minVersion);
void CloseLibrary();

// Registers the program; 0 when it fails (a unique application that already runs).
uint32_t RegisterApplication(const char *name, const RegisterTags &tags);
// Why the last RegisterApplication failed; REGERR_None after one that succeeded.
RegisterError RegisterFailure();
// The port on which the library delivers its messages (APPLIBMT_Quit on SIGTERM).
exec::MsgPort *GetApplicationPort(uint32_t appID);
void UnregisterApplication(uint32_t appID);

} // namespace application
