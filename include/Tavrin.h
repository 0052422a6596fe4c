#pragma once

// Records, enumerations and program-wide variables shared by the program's files.
// Booleans are 16-bit, counts and times unsigned 32-bit, texts fixed-size and NUL-terminated.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/docky.h"
#include "platform/exec.h"
#include "platform/gui.h"
#include "platform/locale.h"

using BOOL = int16_t;
using BYTE = int8_t;
using UBYTE = uint8_t;
using WORD = int16_t;
using UWORD = uint16_t;
using LONG = int32_t;
using ULONG = uint32_t;
using STRPTR = char *;
using CONST_STRPTR = const char *;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Break signals keep their exec values; the dock and outside senders use them.
using exec::SIGBREAKF_CTRL_C;
using exec::SIGBREAKF_CTRL_D;
using exec::SIGBREAKF_CTRL_E;
using exec::SIGBREAKF_CTRL_F;

// Debug switches of the DEBUG tool type.
enum DebugBits : WORD {
    DEBUG_START = 1,
    DEBUG_GUI = 2,
    DEBUG_HTTP = 4,
    DEBUG_PARSER = 8,
    DEBUG_DOCKY = 16,
    DEBUG_SHORTTICK = 32,
    DEBUG_ALL = 31,
};

enum REQType : ULONG {
    REQType_Info = 0,
    REQType_Question = 1,
    REQType_Error = 2,
};

enum rsschanel : LONG {
    Kestrel_german = 0,
    Kestrel_english = 1,
    VEdod_german = 2,
    Arsschanel_max = 3,
};

enum dockystate : LONG {
    State_none = 0,
    State_german = 1,
    State_english = 2,
    State_ge = 3,
    State_check = 4,
    State_nonet = 5,
};

// Gadget IDs of the main window; the event loop acts on them.
enum GadgetIDs : ULONG {
    GID_Deutsch = 1,
    GID_English = 2,
    GID_Prefs = 3,
    GID_Newslist = 4,
    GID_Show = 5,
    GID_Report = 6,
};

// Gadget IDs of the settings window.
enum PrefsGadgetIDs : ULONG {
    GID_Checklang = 21,
    GID_Interval = 22,
    GID_Request = 23,
    GID_Sample = 24,
    GID_Ringhio = 25,
    GID_Browser = 26,
    GID_Anzeige = 27,
    GID_Openshow = 28,
    GID_Savewin = 31,
    GID_Snapshot = 32,
    GID_Unsnapshot = 33,
    GID_Autostart = 34,
    GID_Save = 98,
    GID_Cancel = 99,
};

// One news entry. The node's column texts point into `date` and `title`, so the record
// and its node live and die together. The article page (at most 5999 characters and its NUL)
// lies right behind the record, in the same allocation, and takes only the room it needs.
struct TavrinData {
    char date[21];
    char title[81];
    char link[121];
    char *meldung;
    ULONG timestamp;
    gui::ListBrowserNode *lbnode;
};

// The settings record; its byte image (big-endian on disk) is the configuration file.
struct TavrinPrefs {
    UBYTE Checklang;
    UBYTE Interval;
    UBYTE Request;
    char Sample[200];
    UBYTE pad1;
    BOOL Ringhio;
    char Browser[200];
    UBYTE Openshow;
    UBYTE pad2;
    BOOL Savewin;
    UBYTE Anzeige;
    UBYTE pad3;
};
static_assert(sizeof(TavrinPrefs) == 412);
static_assert(offsetof(TavrinPrefs, Sample) == 3);
static_assert(offsetof(TavrinPrefs, Ringhio) == 204);
static_assert(offsetof(TavrinPrefs, Browser) == 206);
static_assert(offsetof(TavrinPrefs, Openshow) == 406);
static_assert(offsetof(TavrinPrefs, Savewin) == 408);
static_assert(offsetof(TavrinPrefs, Anzeige) == 410);

using docky::DockyObjectNr;
using docky::DockySize;
struct DateStamp {
    LONG ds_Days, ds_Minute, ds_Tick;
};

// One dock icon instance. `state` is shared with the dock's thread.
struct TavrinDockyData {
    DockyObjectNr self;
    DockySize size;
    gui::RastPort *rp;
    gui::Screen *scr;
    gui::DrawInfo *dri;
    DateStamp ds;
    std::atomic<LONG> state;
};

// Start-up and tool types.
extern WORD gb_Debug;
extern BOOL gb_Iconify;
// As long as a host path may be: a skin directory deep down is used whole, never cut.
extern char gb_SkinPath[4096];
extern char gb_ReportLink[120];
extern char gb_NewsURL[30];
extern char gb_NewsADR[15];
extern ULONG gb_RSSBufSize;
extern locale::Catalog *gb_Catalog;
extern ULONG gb_AppID;
extern exec::MsgPort *gb_DockPort;
extern std::atomic<exec::Task *> gb_PrgTask;
extern std::atomic<TavrinDockyData *> gb_DockyData;
extern void *DockyBase;
extern const char version[];

// Settings and timestamps.
extern TavrinPrefs gb_PrefsData;
extern LONG gb_WinLeft, gb_WinTop, gb_WinWidth, gb_WinHeight;
extern std::atomic<ULONG> gb_Intervall;
extern ULONG gb_TS[Arsschanel_max];

// Main window and the news store.
extern gui::Object *gb_WindowObj;
extern gui::Window *gb_Win;
extern gui::Object *gb_NewslistGad;
extern exec::MsgPort *gb_AppPort;
extern exec::List gb_List[Arsschanel_max];
extern char *gb_Buffer[Arsschanel_max];
extern LONG gb_DoMessage;

// Settings window (null while it is not built).
extern gui::Object *gb_PrefsWindowObj;
extern gui::Window *gb_PrefsWin;
extern gui::Object *gb_ChecklangGad, *gb_IntervalGad, *gb_RequestGad, *gb_SampleGad, *gb_RinghioGad, *gb_BrowserGad,
    *gb_AnzeigeGad, *gb_OpenshowGad, *gb_SavewinGad, *gb_SnapshotGad, *gb_UnsnapshotGad, *gb_SaveGad, *gb_CancelGad;
// Start at login: shows and sets the desktop's autostart entry, which alone records it.
extern gui::Object *gb_AutostartGad;

// Requester (TavrinRequester).
LONG DisplayRequester(ULONG typ, CONST_STRPTR text, CONST_STRPTR button, ...);

// Start-up (TavrinProg). The host's real main() calls TavrinMain: argc 0 is a Workbench start
// with argv carrying the start-up message, anything else a Shell start.
int TavrinMain(int argc, char **argv);
void SetupSkin(CONST_STRPTR skin);
void SetAmiUpdateENVVariable(CONST_STRPTR varname);

// Bounded copy: at most size-1 bytes and always a NUL; returns strlen(src).
ULONG Strlcpy(char *dst, CONST_STRPTR src, ULONG size);
// Whether the two texts are equal, letters A-Z compared without regard to case.
BOOL SameNoCase(CONST_STRPTR a, CONST_STRPTR b);

// Settings files (TavrinConfig).
BOOL LoadConfig();
BOOL SaveConfig();
BOOL LoadTimestamp();
BOOL SaveTimestamp();
void SetIntervall();

// Event loop (TavrinLoop).
void MsgLoop();
void DoIconify();
void CheckNewsAtStart();

// Main window (TavrinGui).
BOOL CreateAllObjects();
void DestroyAllObjects();
void DoSnapshot();
void DoUnsnapshot();

// Dock icon and skin pictures (TavrinDocky).
BOOL LoadAllPictures();
void FreeAllPictures();
void *CreateDockyLibrary();
void DeleteDockyLibrary(void *base);

// News pipeline.
BOOL CreateEntry(
    exec::List *list, CONST_STRPTR title, CONST_STRPTR link, CONST_STRPTR meldung, CONST_STRPTR date, LONG side);
void FreigebenList(exec::List *list);
ULONG GetMaxTS(exec::List *list, ULONG maxold);
BOOL ParseNewsfile(exec::List *list, char *buffer, LONG side);
BOOL getNewsInternal(char *buffer, LONG side);
LONG CheckToNews(LONG side);
void CheckToAllNews();
void RenewList(LONG side);
void MarkChannelSeen(LONG side);

// Browser, settings window, sound.
void StartBrowser(CONST_STRPTR weblink);
void ShowLink();
void ReportLink();
void DoSettings();
BOOL CreateAllPrefsObjects();
void DestroyAllPrefsObjects();
void SetPrefsVal();
BOOL PrefsMsgLoop();
void GetPrefsVal();
void PlaySample();
