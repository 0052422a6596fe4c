#include <cstdio>
#include <cstring>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"

// Articles and the report page are shown by a web browser: the desktop's URL handler in online mode
// when there is one, the browser named in the settings otherwise. The browser runs on by itself;
// nothing waits for it, and what it prints goes to T:tr.out.

static const char PageFile[] = "ram:trmeldung.html";
static const char OutputFile[] = "t:tr.out";
// The site's login page, asked to continue to its form for a new topic.
static const char BuiltinReportLink[]
    = "https://kestrel-review.example/login.php?redirect=posting.php&mode=newtopic&f=31";

constexpr UBYTE Anzeige_Local = 1;
constexpr LONG NotStarted = 99;

static void ReportNotAvailable(CONST_STRPTR weblink)
{
    DisplayRequester(REQType_Info, GetString(ERR_URLNotAvailable), GetString(TX_Ok), weblink);
}

static BOOL UrlDevicePresent()
{
    dos::File *probe = dos::Open("URL:NIL:", dos::MODE_OLDFILE);
    if (!probe)
        return FALSE;
    dos::Close(probe);
    return TRUE;
}

// Once the URL device exists, its failure is final: the configured browser is not tried.
static void OpenThroughUrlDevice(CONST_STRPTR weblink)
{
    char command[300];
    const int length = snprintf(command, sizeof(command), "URL:%s", weblink);
    // A cut address would open another page.
    dos::File *url = length >= 0 && length < int(sizeof(command)) ? dos::Open(command, dos::MODE_OLDFILE) : nullptr;
    if (!url) {
        DisplayRequester(REQType_Error, GetString(ERR_CanNotStartBrowser), GetString(TX_Ok));
        return;
    }
    dos::Close(url);
    if (gb_Debug & DEBUG_GUI)
        dos::PutStr(" Browser started sysconfig\n");
}

static void StartConfiguredBrowser(CONST_STRPTR weblink)
{
    LONG result = NotStarted;
    dos::File *input = dos::Open("NIL:", dos::MODE_NEWFILE);
    dos::File *output = input ? dos::Open(OutputFile, dos::MODE_NEWFILE) : nullptr;
    if (input && output) {
        if (gb_Debug & DEBUG_GUI)
            dos::Printf("  Webbrowser starten [%s \"%s\"]\n", gb_PrefsData.Browser, weblink);
        // The browser's words, then the address as one argument of its own: no shell sees either.
        result = dos::SystemTags(gb_PrefsData.Browser, weblink, input, output);
    } else if (input) {
        dos::Close(input);
    }
    if (result == -1 || result == NotStarted)
        ReportNotAvailable(weblink);
}

void StartBrowser(CONST_STRPTR weblink)
{
    // Every browser takes a word that begins with '-' for an option, whatever follows it: a feed's
    // link such as "--renderer-cmd-prefix=..." would change how the browser runs.
    if (weblink[0] == '-') {
        ReportNotAvailable(weblink);
        return;
    }
    if (gb_PrefsData.Anzeige != Anzeige_Local && UrlDevicePresent())
        OpenThroughUrlDevice(weblink);
    else
        StartConfiguredBrowser(weblink);
}

// The page goes to the browser only when it is complete under its name; a failed write would show the
// article shown before.
static void ShowLocalPage(const TavrinData *data)
{
    dos::File *file = dos::Open(PageFile, dos::MODE_NEWFILE);
    if (!file)
        return;
    dos::Write(file, data->meldung, LONG(strlen(data->meldung)));
    char path[1024];
    // The browser is a program of the host: it gets the page's host path.
    if (dos::Close(file) && dos::ResolvePath(PageFile, path, sizeof(path)))
        StartBrowser(path);
}

void ShowLink()
{
    if (gb_Debug & DEBUG_GUI)
        dos::PutStr("List entry clicked !\n");
    gui::ListBrowserNode *node = gui::ListBrowserSelectedNode(gb_NewslistGad);
    if (!node)
        return;
    const auto *data = reinterpret_cast<const TavrinData *>(node->ln.ln_Name);
    if (gb_Debug & DEBUG_GUI)
        dos::Printf(
            "  node $%lx <%s>\n     Link <%s>\n", reinterpret_cast<unsigned long>(node), data->title, data->link);
    if (gb_PrefsData.Anzeige == Anzeige_Local)
        ShowLocalPage(data);
    else
        StartBrowser(data->link);
}

void ReportLink()
{
    if (gb_ReportLink[0]) {
        if (gb_Debug & DEBUG_GUI)
            dos::Printf("StartBrowser for report with link <%s>\n", gb_ReportLink);
        StartBrowser(gb_ReportLink);
    } else {
        if (gb_Debug & DEBUG_GUI)
            dos::PutStr("StartBrowser for report with internal link\n");
        StartBrowser(BuiltinReportLink);
    }
}
