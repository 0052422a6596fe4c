#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "TavrinFeedHttp.h"
#include "TavrinLocale.h"
#include "TavrinSeams.h"
#include "platform/application.h"
#include "platform/dos.h"
#include "platform/icon.h"

WORD gb_Debug;
BOOL gb_Iconify;
char gb_SkinPath[4096];
char gb_ReportLink[120];
char gb_NewsURL[30];
char gb_NewsADR[15];
ULONG gb_RSSBufSize;
locale::Catalog *gb_Catalog;
ULONG gb_AppID;
exec::MsgPort *gb_DockPort;
std::atomic<exec::Task *> gb_PrgTask {nullptr};
std::atomic<TavrinDockyData *> gb_DockyData {nullptr};
void *DockyBase;

// A NUL, then the version cookie; the window's screen title starts 7 characters in.
const char version[] = "\0$VER: Tavrin 1.05 (28.10.2019) Freeware, (C) 2019 by the Tavrin team";

const TavrinSteps gb_RealSteps = {LoadConfig, LoadTimestamp, CreateAllObjects, LoadAllPictures, CreateDockyLibrary,
    MsgLoop, DoIconify, DeleteDockyLibrary, FreeAllPictures, DestroyAllObjects, SaveConfig};
TavrinSteps gb_Steps = gb_RealSteps;

// The domain the application registers its URL identifier under.
static const char kURLIdentifier[] = "kestrel-review.example";
static const ULONG kMinRSSBufSize = 200000;
// Skins are directories below the home directory's "skins"; this one comes with the program.
static const char kDefaultSkin[] = "skins/standard";
// A Shell start is refused in both languages before any catalog is open: English, then the German
// default of ERR_StartFromWorkbench without its console line end.
static const char kShellStartText[] = "Please start program from workbench !\n%.*s";

// Debug words are case-sensitive substrings of the DEBUG value; "ALL" wins over the others.
static WORD DebugFromWords(CONST_STRPTR value)
{
    static const struct {
        const char *word;
        WORD bit;
    } kWords[] = {{"START", DEBUG_START}, {"GUI", DEBUG_GUI}, {"HTTP", DEBUG_HTTP}, {"PARSER", DEBUG_PARSER},
        {"DOCKY", DEBUG_DOCKY}, {"SHORTTICK", DEBUG_SHORTTICK}};
    WORD debug = 0;
    for (auto &w : kWords) {
        if (strstr(value, w.word))
            debug = static_cast<WORD>(debug + w.bit);
    }
    if (strstr(value, "ALL"))
        debug = DEBUG_ALL;
    return debug;
}

// Like atoi, but a value that does not fit a LONG is no number at all.
static LONG NumberOf(CONST_STRPTR value)
{
    errno = 0;
    long n = strtol(value, nullptr, 10);
    if (errno == ERANGE || n > INT32_MAX || n < INT32_MIN)
        return 0;
    return static_cast<LONG>(n);
}

// A value longer than its variable is left out rather than cut: a cut address or host name
// would silently point the program somewhere else.
static void CopyOption(char *dst, CONST_STRPTR value, ULONG size)
{
    if (strlen(value) < size)
        Strlcpy(dst, value, size);
}

struct StartOptions {
    LONG startdelay;
    BOOL opengui;
    char skin[sizeof(gb_SkinPath)]; // the SKIN tool type, applied once the home directory is current
};

// Channels given by the address of a feed, and a CA of the user's own for their servers.
static void ApplyFeedToolTypes(char **tt)
{
    for (ULONG side = 0; side < FEED_CHANNELS; side++) {
        if (CONST_STRPTR url = icon::FindToolType(tt, gb_FeedToolTypes[side]))
            CopyOption(gb_Feed[side].url, url, sizeof(gb_Feed[side].url));
    }
    if (CONST_STRPTR cafile = icon::FindToolType(tt, "CAFILE"))
        CopyOption(gb_CAFile, cafile, sizeof(gb_CAFile));
}

static void ApplyToolTypes(char **tt, StartOptions *opt)
{
    CONST_STRPTR startdelay = icon::FindToolType(tt, "STARTDELAY");
    CONST_STRPTR opengui = icon::FindToolType(tt, "OPENGUI");
    CONST_STRPTR skin = icon::FindToolType(tt, "SKIN");
    CONST_STRPTR reportlink = icon::FindToolType(tt, "REPORTLINK");
    CONST_STRPTR newsurl = icon::FindToolType(tt, "NEWSURL");
    CONST_STRPTR newsadr = icon::FindToolType(tt, "NEWSADR");
    CONST_STRPTR rssbufsize = icon::FindToolType(tt, "RSSBUFSIZE");
    CONST_STRPTR iconify = icon::FindToolType(tt, "ICONIFY");
    CONST_STRPTR debug = icon::FindToolType(tt, "DEBUG");

    if (startdelay)
        opt->startdelay = NumberOf(startdelay);
    if (opengui)
        opt->opengui = TRUE;
    if (skin)
        CopyOption(opt->skin, skin, sizeof(opt->skin));
    if (reportlink)
        CopyOption(gb_ReportLink, reportlink, sizeof(gb_ReportLink));
    if (newsurl)
        CopyOption(gb_NewsURL, newsurl, sizeof(gb_NewsURL));
    if (newsadr)
        CopyOption(gb_NewsADR, newsadr, sizeof(gb_NewsADR));
    if (rssbufsize) {
        LONG size = NumberOf(rssbufsize);
        gb_RSSBufSize = size > 0 ? static_cast<ULONG>(size) : 0;
    }
    if (gb_RSSBufSize < kMinRSSBufSize)
        gb_RSSBufSize = kMinRSSBufSize;
    if (iconify && SameNoCase(iconify, "WINDOW"))
        gb_Iconify = TRUE;
    if (debug)
        gb_Debug = DebugFromWords(debug);
    if (gb_Debug)
        dos::Printf("Icon: startdelay = %ld opengui = %ld debug = %ld\n", static_cast<long>(opt->startdelay),
            static_cast<long>(opt->opengui ? 1 : 0), static_cast<long>(gb_Debug));
    ApplyFeedToolTypes(tt);
}

static void ReadToolTypes(const icon::WBStartup *wbs, StartOptions *opt)
{
    icon::DiskObject *dobj = icon::GetDiskObject(wbs);
    if (!dobj) {
        gb_RSSBufSize = kMinRSSBufSize;
        return;
    }
    ApplyToolTypes(dobj->do_ToolTypes, opt);
    icon::FreeDiskObject(dobj);
}

void SetupSkin(CONST_STRPTR skin)
{
    dos::Lock *lock = dos::LockShared(skin);
    if (lock) {
        dos::UnLock(lock);
        Strlcpy(gb_SkinPath, skin, sizeof(gb_SkinPath));
    } else {
        Strlcpy(gb_SkinPath, kDefaultSkin, sizeof(gb_SkinPath));
    }
}

void SetAmiUpdateENVVariable(CONST_STRPTR varname)
{
    if (exec::Version() > 52 && exec::Revision() > 11)
        return;
    dos::Lock *progdir = dos::GetProgramDir();
    if (!progdir)
        return;
    char varpath[1024] = "AppPaths";
    char progpath[2048];
    if (!dos::DevNameFromLock(progdir, progpath, sizeof(progpath)))
        return;
    if (dos::AddPart(varpath, varname, sizeof(varpath)))
        dos::SetVar(varpath, progpath, -1, dos::GVF_GLOBAL_ONLY | dos::GVF_SAVE_VAR);
}

// What start-up has acquired; shutdown releases it in reverse order.
struct Acquired {
    dos::Lock *startDir; // where the program was started, once start-up has left it
};

// Shutdown from step `first` (1 = everything) to the end.
static void Shutdown(int first, Acquired *acq)
{
    if (first <= 1)
        application::UnregisterApplication(gb_AppID);
    if (first <= 2)
        gb_Steps.DeleteDockyLibrary(DockyBase);
    if (first <= 3)
        gb_Steps.FreeAllPictures();
    if (first <= 4)
        gb_Steps.DestroyAllObjects();
    if (first <= 5)
        gb_Steps.SaveConfig();
    if (first <= 6)
        application::CloseLibrary();
    if (gb_Debug & DEBUG_START)
        dos::Printf("Programm beenden.\n");
    if (gb_Catalog) {
        locale::CloseCatalog(gb_Catalog);
        gb_Catalog = nullptr;
    }
    if (acq->startDir) {
        dos::UnLock(dos::SetCurrentDir(acq->startDir));
        dos::UnLock(acq->startDir);
    }
}

static void StartError(LONG id)
{
    DisplayRequester(REQType_Error, GetString(id), GetString(TX_Ok));
}

// Another instance is the usual reason; a refused RAM: directory, where the registration lives, is
// named with its reason instead.
static void RegistrationError()
{
    static const LONG kRamReasons[] = {TX_RamIsLink, TX_RamForeign, TX_RamShared, TX_RamUnusable};
    const application::RegisterError error = application::RegisterFailure();
    if (error < application::REGERR_RamIsLink || error > application::REGERR_RamUnusable) {
        StartError(ERR_CanNotCreateApp);
        return;
    }
    char ram[1024] = "RAM:";
    dos::ResolvePath("RAM:", ram, sizeof(ram));
    DisplayRequester(REQType_Error, GetString(ERR_RamRefused), GetString(TX_Ok), ram,
        GetString(kRamReasons[error - application::REGERR_RamIsLink]));
}

// Makes `dir` the current directory when it exists; the first change remembers the start directory.
static void ChangeDir(CONST_STRPTR dir, Acquired *acq)
{
    dos::Lock *lock = dos::LockShared(dir);
    if (!lock)
        return;
    dos::Lock *old = dos::SetCurrentDir(lock);
    if (!acq->startDir)
        acq->startDir = old;
    else
        dos::UnLock(old);
    dos::UnLock(lock);
}

// A Workbench start runs in the program's directory, but desktop launchers start programs in the user's
// home; so start-up enters the program's directory itself, then "Tavrin:" when it is assigned. Skins and
// the default sample are found relative to the directory that results.
static void EnterHomeDirectory(Acquired *acq)
{
    ChangeDir("PROGDIR:", acq);
    ChangeDir("Tavrin:", acq);
}

static void Progress(CONST_STRPTR line)
{
    if (gb_Debug & DEBUG_START)
        dos::PutStr(line);
}

// Steps from the application library to the main loop; returns the first shutdown step to run.
static int RunRegistered(const icon::WBStartup *wbs, const StartOptions &opt)
{
    gb_Steps.LoadConfig();
    gb_Steps.LoadTimestamp();

    Progress("Erstelle Oberfläche ...\n");
    if (!gb_Steps.CreateAllObjects()) {
        StartError(ERR_CanNotCreateWin);
        return 4;
    }
    Progress("Lade Bilder ...\n");
    if (!gb_Steps.LoadAllPictures()) {
        // The pictures that did load are freed on the way out as well.
        StartError(ERR_CanNotLoadPictures);
        return 3;
    }
    Progress("Erzeuge Docky ...\n");
    DockyBase = gb_Steps.CreateDockyLibrary();
    if (!DockyBase) {
        StartError(ERR_CanNotCreateDocky);
        return 3;
    }

    application::ApplicationIconInfo aii {
        gb_Iconify ? application::APPICONT_None : application::APPICONT_Docky, DockyBase};
    // Lives until main returns: the loop writes the dock state here before the dock has an icon.
    static TavrinDockyData dockydata;
    dockydata.self = {};
    dockydata.size = {};
    dockydata.rp = nullptr;
    dockydata.scr = nullptr;
    dockydata.dri = nullptr;
    dockydata.ds = {};
    dockydata.state = 0;
    gb_DockyData = &dockydata;

    Progress("Registriere Anwendung ...\n");
    application::RegisterTags tags {const_cast<icon::WBStartup *>(wbs), kURLIdentifier, true, &aii, gb_Iconify != 0,
        exec::Version() > 52 ? "KestrelReview News" : nullptr};
    gb_AppID = application::RegisterApplication(nullptr, tags);
    if (!gb_AppID) {
        RegistrationError();
        return 2;
    }
    gb_DockPort = application::GetApplicationPort(gb_AppID);
    gb_PrgTask = exec::FindTask(nullptr);

    if (opt.opengui)
        exec::Signal(gb_PrgTask, SIGBREAKF_CTRL_F);
    else if (gb_Iconify)
        gb_Steps.DoIconify();

    Progress("Programm läuft !\n");
    gb_Steps.MsgLoop();
    return 1;
}

int TavrinMain(int argc, char **argv)
{
    gb_Debug = 0;
    if (argc != 0) {
        DisplayRequester(REQType_Error, kShellStartText, "_Ok", int(strlen(STR_ERR_StartFromWorkbench) - 1),
            STR_ERR_StartFromWorkbench);
        return 0;
    }
    auto *wbs = reinterpret_cast<const icon::WBStartup *>(argv);
    StartOptions opt {0, FALSE, ""};
    ReadToolTypes(wbs, &opt);

    Acquired acq {};
    EnterHomeDirectory(&acq);
    SetupSkin(opt.skin[0] ? opt.skin : kDefaultSkin);
    SetAmiUpdateENVVariable("Tavrin");
    gb_Catalog = locale::OpenCatalog("Tavrin.catalog", 1);
    CheckFeedAddresses();
    if (opt.startdelay > 0)
        dos::Delay(static_cast<ULONG>(opt.startdelay) * 50);
    if (exec::Version() <= 52 && gb_Debug)
        dos::Printf("AmigaOS Version älter als 4.1 ! (%ld)\n", static_cast<long>(exec::Version()));

    if (!application::OpenLibrary(50)) {
        StartError(ERR_CanNotOpenApplib);
        Shutdown(7, &acq);
        return 0;
    }
    Shutdown(RunRegistered(wbs, opt), &acq);
    return 0;
}
