#include "TavrinLocale.h"

#include "platform/locale.h"

// clang-format off
static const char DEF_TX_Ok[] = "Ok";
static const char DEF_TX_Info_Program[] = "Programm";
static const char DEF_TX_Info_Graphics[] = "Grafiken";
static const char DEF_TX_Info_Samples[] = "Samples";
static const char DEF_TX_Info_Catalog[] = "Deutscher Catalog: Jonas Falk";
static const char DEF_TX_WinTitle[] = "Kestrel Review Newsübersicht";
static const char DEF_TX_Menu_Project[] = "Projekt";
static const char DEF_TX_Menu_About[] = "?\000Über ...";
static const char DEF_TX_Menu_Quit[] = "Q\000Beenden";
static const char DEF_TX_ListColumnDate[] = "Datum";
static const char DEF_TX_ListColumnTitel[] = "News Titel";
static const char DEF_TX_GadGerman[] = "_Deutsch";
static const char DEF_TX_GadEnglish[] = "_Englisch";
static const char DEF_TX_GadPrefs[] = "_Prefs";
static const char DEF_TX_GadSow[] = "_Show";
static const char DEF_TX_GadReport[] = "News _melden";
static const char DEF_TX_PrefswinTitle[] = "Kestrel Review Newsübersicht Einstellungen";
static const char DEF_TX_PGad_Checklang1[] = "Deutsch";
static const char DEF_TX_PGad_Checklang2[] = "Englisch";
static const char DEF_TX_PGad_Checklang3[] = "Deutsch + Englisch";
static const char DEF_TX_PGad_Interval1[] = "15";
static const char DEF_TX_PGad_Interval2[] = "30";
static const char DEF_TX_PGad_Interval3[] = "45";
static const char DEF_TX_PGad_Interval4[] = "60";
static const char DEF_TX_PGad_Interval5[] = "90";
static const char DEF_TX_PGad_Interval6[] = "120";
static const char DEF_TX_PGad_Request1[] = "keine";
static const char DEF_TX_PGad_Request2[] = "bei offenem Fenster";
static const char DEF_TX_PGad_Request3[] = "immer";
static const char DEF_TX_PGad_Openshow1[] = "Deutsche News";
static const char DEF_TX_PGad_Openshow2[] = "Englische News";
static const char DEF_TX_PGad_Openshow3[] = "Leere Liste";
static const char DEF_TX_PGad_GroupCheck[] = "Neue Meldungen überprüfen";
static const char DEF_TX_PGad_Checklang[] = "Automatisch prüfen:";
static const char DEF_TX_PGad_Intervall[] = "Prüfintervall Minuten:";
static const char DEF_TX_PGad_Openshow[] = "Fenster öffnen anzeigen:";
static const char DEF_TX_PGad_GroupNews[] = "Bei neuen Meldungen";
static const char DEF_TX_PGad_Request[] = "Meldung anzeigen:";
static const char DEF_TX_PGad_Sample[] = "Ton abspielen:";
static const char DEF_TX_PGad_Ringhio[] = "Benachrichtigung:";
static const char DEF_TX_PGad_Ringhio2[] = "Ringhio";
static const char DEF_TX_PGad_Browser[] = "Webbrowser:";
static const char DEF_TX_PGad_Anzeige[] = "Meldung anzeigen:";
static const char DEF_TX_PGad_Anzeige1[] = "Online Webseite";
static const char DEF_TX_PGad_Anzeige2[] = "Lokal";
static const char DEF_TX_PGad_GroupWin[] = "Fensterdaten";
static const char DEF_TX_PGad_AutosaveWin[] = "automatisch speichern";
static const char DEF_TX_PGad_SnapshotWin[] = "jetzt speichern";
static const char DEF_TX_PGad_UnsnapshotWin[] = "zurück setzen";
static const char DEF_TX_PGad_Save[] = "_Speichern";
static const char DEF_TX_PGad_Cancel[] = "_Abbrechen";
static const char DEF_TX_RinghioTitle[] = "Kestrel Review News Ticker";
static const char DEF_TX_SelectSample[] = "Sample auswählen ...";
static const char DEF_TX_SelectBrowser[] = "Webbrowser auswählen ...";
static const char DEF_TX_NewGerEngNews[] = "Neue deutsche und englische News liegen vor !";
static const char DEF_TX_NewGermanNews[] = "Neue deutsche News liegen vor !";
static const char DEF_TX_NewEnglishNews[] = "Neue englische News liegen vor !";
static const char DEF_TX_DockNoNews[] = "Keine neuen News";
static const char DEF_TX_DockChecking[] = "Suche nach neuen News ...";
static const char DEF_TX_DockNoNetwork[] = "Kein Netzwerk";
static const char DEF_ERR_CanNotCreateRequester[] = "Error: Requester kann nicht erzeugt werden !\n";
static const char DEF_ERR_StartFromWorkbench[] = "Bitte Programm über die Workbench starten !\n";
static const char DEF_ERR_CanNotOpenApplib[] = "application.library V50 kann nicht geöffnet werden !";
static const char DEF_ERR_CanNotCreateApp[] = "Application läuft vermutlich bereits !";
static const char DEF_ERR_CanNotCreateDocky[] = "DockyLib kann nicht erstellt werden !";
static const char DEF_ERR_CanNotLoadPictures[] = "Bilder können nicht geladen werden !";
static const char DEF_ERR_CanNotCreateWin[] = "Oberfläche kann nicht erzeugt werden !";
static const char DEF_ERR_CanNotCreatePrefswin[] = "Can not create prefs window";
static const char DEF_ERR_CanNotLockPubscreen[] = "can not lock pubscreen";
static const char DEF_ERR_LoadingPicFailed[] = "loading picture file failed";
static const char DEF_ERR_InstancePicFailed[] = "can not get instance of picture";
static const char DEF_ERR_DamagedConfig[] = "Damaged config file (%s)";
static const char DEF_ERR_CanSaveConfig[] = "Can not open config file for writeing. (%s)";
static const char DEF_ERR_CanNotStartBrowser[] = "Error: can not start browser.";
static const char DEF_ERR_URLNotAvailable[] = "URL: Device nicht vorhanden zum Anzeigen der News.\n[%s]";
static const char DEF_ERR_NoMemForListentry[] = "Out of memory for list entry";
static const char DEF_ERR_NoMemForListdata[] = "Out of memory for list data";
static const char DEF_ERR_CanNotLoadSample[] = "Fehler bei Sample laden:\n%s";
static const char DEF_ERR_CanNotCreateSocket[] = "Could not create socket";
static const char DEF_ERR_CanNotConnectServer[] = "Couldnt connect to server";
static const char DEF_ERR_SendDataError[] = "An error occured sending data";
static const char DEF_ERR_ReceiveDataError[] = "An error occured during the receive procedure";
static const char DEF_ERR_BufferToSmall[] = "Error: Buffer to small to read all rss data";
static const char DEF_ERR_RamRefused[] = "Das Verzeichnis für RAM: (%s) wird nicht benutzt:\n%s\nEntfernen Sie es, oder weisen Sie RAM: mit TAVRIN_ASSIGN_RAM ein anderes Verzeichnis zu.";
static const char DEF_TX_RamIsLink[] = "Es ist ein symbolischer Verweis.";
static const char DEF_TX_RamForeign[] = "Es gehört einem anderen Benutzer.";
static const char DEF_TX_RamShared[] = "Andere Benutzer dürfen hineinschreiben.";
static const char DEF_TX_RamUnusable[] = "Es kann nicht angelegt oder geöffnet werden.";
static const char DEF_ERR_PathTooLong[] = "Der gewählte Pfad ist zu lang (höchstens %ld Zeichen); die bisherige Wahl bleibt.";
static const char DEF_ERR_CantLayoutMenu[] = "ERROR: Can not layout menu.\n";
static const char DEF_ERR_CantCreateMenu[] = "ERROR: Can not create menu.\n";
static const char DEF_ERR_CantGetVisualInfo[] = "ERROR: Can not get VisualInfo from screen.\n";
static const char DEF_ERR_CouldntLockPubScreen[] = "ERROR: Can not lock public screen.\n";

const char *const STR_TX_Ok = DEF_TX_Ok;
const char *const STR_TX_Info_Program = DEF_TX_Info_Program;
const char *const STR_TX_Info_Graphics = DEF_TX_Info_Graphics;
const char *const STR_TX_Info_Samples = DEF_TX_Info_Samples;
const char *const STR_TX_Info_Catalog = DEF_TX_Info_Catalog;
const char *const STR_TX_WinTitle = DEF_TX_WinTitle;
const char *const STR_TX_Menu_Project = DEF_TX_Menu_Project;
const char *const STR_TX_Menu_About = DEF_TX_Menu_About;
const char *const STR_TX_Menu_Quit = DEF_TX_Menu_Quit;
const char *const STR_TX_ListColumnDate = DEF_TX_ListColumnDate;
const char *const STR_TX_ListColumnTitel = DEF_TX_ListColumnTitel;
const char *const STR_TX_GadGerman = DEF_TX_GadGerman;
const char *const STR_TX_GadEnglish = DEF_TX_GadEnglish;
const char *const STR_TX_GadPrefs = DEF_TX_GadPrefs;
const char *const STR_TX_GadSow = DEF_TX_GadSow;
const char *const STR_TX_GadReport = DEF_TX_GadReport;
const char *const STR_TX_PrefswinTitle = DEF_TX_PrefswinTitle;
const char *const STR_TX_PGad_Checklang1 = DEF_TX_PGad_Checklang1;
const char *const STR_TX_PGad_Checklang2 = DEF_TX_PGad_Checklang2;
const char *const STR_TX_PGad_Checklang3 = DEF_TX_PGad_Checklang3;
const char *const STR_TX_PGad_Interval1 = DEF_TX_PGad_Interval1;
const char *const STR_TX_PGad_Interval2 = DEF_TX_PGad_Interval2;
const char *const STR_TX_PGad_Interval3 = DEF_TX_PGad_Interval3;
const char *const STR_TX_PGad_Interval4 = DEF_TX_PGad_Interval4;
const char *const STR_TX_PGad_Interval5 = DEF_TX_PGad_Interval5;
const char *const STR_TX_PGad_Interval6 = DEF_TX_PGad_Interval6;
const char *const STR_TX_PGad_Request1 = DEF_TX_PGad_Request1;
const char *const STR_TX_PGad_Request2 = DEF_TX_PGad_Request2;
const char *const STR_TX_PGad_Request3 = DEF_TX_PGad_Request3;
const char *const STR_TX_PGad_Openshow1 = DEF_TX_PGad_Openshow1;
const char *const STR_TX_PGad_Openshow2 = DEF_TX_PGad_Openshow2;
const char *const STR_TX_PGad_Openshow3 = DEF_TX_PGad_Openshow3;
const char *const STR_TX_PGad_GroupCheck = DEF_TX_PGad_GroupCheck;
const char *const STR_TX_PGad_Checklang = DEF_TX_PGad_Checklang;
const char *const STR_TX_PGad_Intervall = DEF_TX_PGad_Intervall;
const char *const STR_TX_PGad_Openshow = DEF_TX_PGad_Openshow;
const char *const STR_TX_PGad_GroupNews = DEF_TX_PGad_GroupNews;
const char *const STR_TX_PGad_Request = DEF_TX_PGad_Request;
const char *const STR_TX_PGad_Sample = DEF_TX_PGad_Sample;
const char *const STR_TX_PGad_Ringhio = DEF_TX_PGad_Ringhio;
const char *const STR_TX_PGad_Ringhio2 = DEF_TX_PGad_Ringhio2;
const char *const STR_TX_PGad_Browser = DEF_TX_PGad_Browser;
const char *const STR_TX_PGad_Anzeige = DEF_TX_PGad_Anzeige;
const char *const STR_TX_PGad_Anzeige1 = DEF_TX_PGad_Anzeige1;
const char *const STR_TX_PGad_Anzeige2 = DEF_TX_PGad_Anzeige2;
const char *const STR_TX_PGad_GroupWin = DEF_TX_PGad_GroupWin;
const char *const STR_TX_PGad_AutosaveWin = DEF_TX_PGad_AutosaveWin;
const char *const STR_TX_PGad_SnapshotWin = DEF_TX_PGad_SnapshotWin;
const char *const STR_TX_PGad_UnsnapshotWin = DEF_TX_PGad_UnsnapshotWin;
const char *const STR_TX_PGad_Save = DEF_TX_PGad_Save;
const char *const STR_TX_PGad_Cancel = DEF_TX_PGad_Cancel;
const char *const STR_TX_RinghioTitle = DEF_TX_RinghioTitle;
const char *const STR_TX_SelectSample = DEF_TX_SelectSample;
const char *const STR_TX_SelectBrowser = DEF_TX_SelectBrowser;
const char *const STR_TX_NewGerEngNews = DEF_TX_NewGerEngNews;
const char *const STR_TX_NewGermanNews = DEF_TX_NewGermanNews;
const char *const STR_TX_NewEnglishNews = DEF_TX_NewEnglishNews;
const char *const STR_TX_DockNoNews = DEF_TX_DockNoNews;
const char *const STR_TX_DockChecking = DEF_TX_DockChecking;
const char *const STR_TX_DockNoNetwork = DEF_TX_DockNoNetwork;
const char *const STR_ERR_CanNotCreateRequester = DEF_ERR_CanNotCreateRequester;
const char *const STR_ERR_StartFromWorkbench = DEF_ERR_StartFromWorkbench;
const char *const STR_ERR_CanNotOpenApplib = DEF_ERR_CanNotOpenApplib;
const char *const STR_ERR_CanNotCreateApp = DEF_ERR_CanNotCreateApp;
const char *const STR_ERR_CanNotCreateDocky = DEF_ERR_CanNotCreateDocky;
const char *const STR_ERR_CanNotLoadPictures = DEF_ERR_CanNotLoadPictures;
const char *const STR_ERR_CanNotCreateWin = DEF_ERR_CanNotCreateWin;
const char *const STR_ERR_CanNotCreatePrefswin = DEF_ERR_CanNotCreatePrefswin;
const char *const STR_ERR_CanNotLockPubscreen = DEF_ERR_CanNotLockPubscreen;
const char *const STR_ERR_LoadingPicFailed = DEF_ERR_LoadingPicFailed;
const char *const STR_ERR_InstancePicFailed = DEF_ERR_InstancePicFailed;
const char *const STR_ERR_DamagedConfig = DEF_ERR_DamagedConfig;
const char *const STR_ERR_CanSaveConfig = DEF_ERR_CanSaveConfig;
const char *const STR_ERR_CanNotStartBrowser = DEF_ERR_CanNotStartBrowser;
const char *const STR_ERR_URLNotAvailable = DEF_ERR_URLNotAvailable;
const char *const STR_ERR_NoMemForListentry = DEF_ERR_NoMemForListentry;
const char *const STR_ERR_NoMemForListdata = DEF_ERR_NoMemForListdata;
const char *const STR_ERR_CanNotLoadSample = DEF_ERR_CanNotLoadSample;
const char *const STR_ERR_CanNotCreateSocket = DEF_ERR_CanNotCreateSocket;
const char *const STR_ERR_CanNotConnectServer = DEF_ERR_CanNotConnectServer;
const char *const STR_ERR_SendDataError = DEF_ERR_SendDataError;
const char *const STR_ERR_ReceiveDataError = DEF_ERR_ReceiveDataError;
const char *const STR_ERR_BufferToSmall = DEF_ERR_BufferToSmall;
const char *const STR_ERR_RamRefused = DEF_ERR_RamRefused;
const char *const STR_TX_RamIsLink = DEF_TX_RamIsLink;
const char *const STR_TX_RamForeign = DEF_TX_RamForeign;
const char *const STR_TX_RamShared = DEF_TX_RamShared;
const char *const STR_TX_RamUnusable = DEF_TX_RamUnusable;
const char *const STR_ERR_PathTooLong = DEF_ERR_PathTooLong;
const char *const STR_ERR_CantLayoutMenu = DEF_ERR_CantLayoutMenu;
const char *const STR_ERR_CantCreateMenu = DEF_ERR_CantCreateMenu;
const char *const STR_ERR_CantGetVisualInfo = DEF_ERR_CantGetVisualInfo;
const char *const STR_ERR_CouldntLockPubScreen = DEF_ERR_CouldntLockPubScreen;

const CatalogDefault gb_CatalogDefaults[] = {
    { TX_Ok, DEF_TX_Ok, sizeof(DEF_TX_Ok) - 1 },
    { TX_Info_Program, DEF_TX_Info_Program, sizeof(DEF_TX_Info_Program) - 1 },
    { TX_Info_Graphics, DEF_TX_Info_Graphics, sizeof(DEF_TX_Info_Graphics) - 1 },
    { TX_Info_Samples, DEF_TX_Info_Samples, sizeof(DEF_TX_Info_Samples) - 1 },
    { TX_Info_Catalog, DEF_TX_Info_Catalog, sizeof(DEF_TX_Info_Catalog) - 1 },
    { TX_WinTitle, DEF_TX_WinTitle, sizeof(DEF_TX_WinTitle) - 1 },
    { TX_Menu_Project, DEF_TX_Menu_Project, sizeof(DEF_TX_Menu_Project) - 1 },
    { TX_Menu_About, DEF_TX_Menu_About, sizeof(DEF_TX_Menu_About) - 1 },
    { TX_Menu_Quit, DEF_TX_Menu_Quit, sizeof(DEF_TX_Menu_Quit) - 1 },
    { TX_ListColumnDate, DEF_TX_ListColumnDate, sizeof(DEF_TX_ListColumnDate) - 1 },
    { TX_ListColumnTitel, DEF_TX_ListColumnTitel, sizeof(DEF_TX_ListColumnTitel) - 1 },
    { TX_GadGerman, DEF_TX_GadGerman, sizeof(DEF_TX_GadGerman) - 1 },
    { TX_GadEnglish, DEF_TX_GadEnglish, sizeof(DEF_TX_GadEnglish) - 1 },
    { TX_GadPrefs, DEF_TX_GadPrefs, sizeof(DEF_TX_GadPrefs) - 1 },
    { TX_GadSow, DEF_TX_GadSow, sizeof(DEF_TX_GadSow) - 1 },
    { TX_GadReport, DEF_TX_GadReport, sizeof(DEF_TX_GadReport) - 1 },
    { TX_PrefswinTitle, DEF_TX_PrefswinTitle, sizeof(DEF_TX_PrefswinTitle) - 1 },
    { TX_PGad_Checklang1, DEF_TX_PGad_Checklang1, sizeof(DEF_TX_PGad_Checklang1) - 1 },
    { TX_PGad_Checklang2, DEF_TX_PGad_Checklang2, sizeof(DEF_TX_PGad_Checklang2) - 1 },
    { TX_PGad_Checklang3, DEF_TX_PGad_Checklang3, sizeof(DEF_TX_PGad_Checklang3) - 1 },
    { TX_PGad_Interval1, DEF_TX_PGad_Interval1, sizeof(DEF_TX_PGad_Interval1) - 1 },
    { TX_PGad_Interval2, DEF_TX_PGad_Interval2, sizeof(DEF_TX_PGad_Interval2) - 1 },
    { TX_PGad_Interval3, DEF_TX_PGad_Interval3, sizeof(DEF_TX_PGad_Interval3) - 1 },
    { TX_PGad_Interval4, DEF_TX_PGad_Interval4, sizeof(DEF_TX_PGad_Interval4) - 1 },
    { TX_PGad_Interval5, DEF_TX_PGad_Interval5, sizeof(DEF_TX_PGad_Interval5) - 1 },
    { TX_PGad_Interval6, DEF_TX_PGad_Interval6, sizeof(DEF_TX_PGad_Interval6) - 1 },
    { TX_PGad_Request1, DEF_TX_PGad_Request1, sizeof(DEF_TX_PGad_Request1) - 1 },
    { TX_PGad_Request2, DEF_TX_PGad_Request2, sizeof(DEF_TX_PGad_Request2) - 1 },
    { TX_PGad_Request3, DEF_TX_PGad_Request3, sizeof(DEF_TX_PGad_Request3) - 1 },
    { TX_PGad_Openshow1, DEF_TX_PGad_Openshow1, sizeof(DEF_TX_PGad_Openshow1) - 1 },
    { TX_PGad_Openshow2, DEF_TX_PGad_Openshow2, sizeof(DEF_TX_PGad_Openshow2) - 1 },
    { TX_PGad_Openshow3, DEF_TX_PGad_Openshow3, sizeof(DEF_TX_PGad_Openshow3) - 1 },
    { TX_PGad_GroupCheck, DEF_TX_PGad_GroupCheck, sizeof(DEF_TX_PGad_GroupCheck) - 1 },
    { TX_PGad_Checklang, DEF_TX_PGad_Checklang, sizeof(DEF_TX_PGad_Checklang) - 1 },
    { TX_PGad_Intervall, DEF_TX_PGad_Intervall, sizeof(DEF_TX_PGad_Intervall) - 1 },
    { TX_PGad_Openshow, DEF_TX_PGad_Openshow, sizeof(DEF_TX_PGad_Openshow) - 1 },
    { TX_PGad_GroupNews, DEF_TX_PGad_GroupNews, sizeof(DEF_TX_PGad_GroupNews) - 1 },
    { TX_PGad_Request, DEF_TX_PGad_Request, sizeof(DEF_TX_PGad_Request) - 1 },
    { TX_PGad_Sample, DEF_TX_PGad_Sample, sizeof(DEF_TX_PGad_Sample) - 1 },
    { TX_PGad_Ringhio, DEF_TX_PGad_Ringhio, sizeof(DEF_TX_PGad_Ringhio) - 1 },
    { TX_PGad_Ringhio2, DEF_TX_PGad_Ringhio2, sizeof(DEF_TX_PGad_Ringhio2) - 1 },
    { TX_PGad_Browser, DEF_TX_PGad_Browser, sizeof(DEF_TX_PGad_Browser) - 1 },
    { TX_PGad_Anzeige, DEF_TX_PGad_Anzeige, sizeof(DEF_TX_PGad_Anzeige) - 1 },
    { TX_PGad_Anzeige1, DEF_TX_PGad_Anzeige1, sizeof(DEF_TX_PGad_Anzeige1) - 1 },
    { TX_PGad_Anzeige2, DEF_TX_PGad_Anzeige2, sizeof(DEF_TX_PGad_Anzeige2) - 1 },
    { TX_PGad_GroupWin, DEF_TX_PGad_GroupWin, sizeof(DEF_TX_PGad_GroupWin) - 1 },
    { TX_PGad_AutosaveWin, DEF_TX_PGad_AutosaveWin, sizeof(DEF_TX_PGad_AutosaveWin) - 1 },
    { TX_PGad_SnapshotWin, DEF_TX_PGad_SnapshotWin, sizeof(DEF_TX_PGad_SnapshotWin) - 1 },
    { TX_PGad_UnsnapshotWin, DEF_TX_PGad_UnsnapshotWin, sizeof(DEF_TX_PGad_UnsnapshotWin) - 1 },
    { TX_PGad_Save, DEF_TX_PGad_Save, sizeof(DEF_TX_PGad_Save) - 1 },
    { TX_PGad_Cancel, DEF_TX_PGad_Cancel, sizeof(DEF_TX_PGad_Cancel) - 1 },
    { TX_RinghioTitle, DEF_TX_RinghioTitle, sizeof(DEF_TX_RinghioTitle) - 1 },
    { TX_SelectSample, DEF_TX_SelectSample, sizeof(DEF_TX_SelectSample) - 1 },
    { TX_SelectBrowser, DEF_TX_SelectBrowser, sizeof(DEF_TX_SelectBrowser) - 1 },
    { TX_NewGerEngNews, DEF_TX_NewGerEngNews, sizeof(DEF_TX_NewGerEngNews) - 1 },
    { TX_NewGermanNews, DEF_TX_NewGermanNews, sizeof(DEF_TX_NewGermanNews) - 1 },
    { TX_NewEnglishNews, DEF_TX_NewEnglishNews, sizeof(DEF_TX_NewEnglishNews) - 1 },
    { TX_DockNoNews, DEF_TX_DockNoNews, sizeof(DEF_TX_DockNoNews) - 1 },
    { TX_DockChecking, DEF_TX_DockChecking, sizeof(DEF_TX_DockChecking) - 1 },
    { TX_DockNoNetwork, DEF_TX_DockNoNetwork, sizeof(DEF_TX_DockNoNetwork) - 1 },
    { ERR_CanNotCreateRequester, DEF_ERR_CanNotCreateRequester, sizeof(DEF_ERR_CanNotCreateRequester) - 1 },
    { ERR_StartFromWorkbench, DEF_ERR_StartFromWorkbench, sizeof(DEF_ERR_StartFromWorkbench) - 1 },
    { ERR_CanNotOpenApplib, DEF_ERR_CanNotOpenApplib, sizeof(DEF_ERR_CanNotOpenApplib) - 1 },
    { ERR_CanNotCreateApp, DEF_ERR_CanNotCreateApp, sizeof(DEF_ERR_CanNotCreateApp) - 1 },
    { ERR_CanNotCreateDocky, DEF_ERR_CanNotCreateDocky, sizeof(DEF_ERR_CanNotCreateDocky) - 1 },
    { ERR_CanNotLoadPictures, DEF_ERR_CanNotLoadPictures, sizeof(DEF_ERR_CanNotLoadPictures) - 1 },
    { ERR_CanNotCreateWin, DEF_ERR_CanNotCreateWin, sizeof(DEF_ERR_CanNotCreateWin) - 1 },
    { ERR_CanNotCreatePrefswin, DEF_ERR_CanNotCreatePrefswin, sizeof(DEF_ERR_CanNotCreatePrefswin) - 1 },
    { ERR_CanNotLockPubscreen, DEF_ERR_CanNotLockPubscreen, sizeof(DEF_ERR_CanNotLockPubscreen) - 1 },
    { ERR_LoadingPicFailed, DEF_ERR_LoadingPicFailed, sizeof(DEF_ERR_LoadingPicFailed) - 1 },
    { ERR_InstancePicFailed, DEF_ERR_InstancePicFailed, sizeof(DEF_ERR_InstancePicFailed) - 1 },
    { ERR_DamagedConfig, DEF_ERR_DamagedConfig, sizeof(DEF_ERR_DamagedConfig) - 1 },
    { ERR_CanSaveConfig, DEF_ERR_CanSaveConfig, sizeof(DEF_ERR_CanSaveConfig) - 1 },
    { ERR_CanNotStartBrowser, DEF_ERR_CanNotStartBrowser, sizeof(DEF_ERR_CanNotStartBrowser) - 1 },
    { ERR_URLNotAvailable, DEF_ERR_URLNotAvailable, sizeof(DEF_ERR_URLNotAvailable) - 1 },
    { ERR_NoMemForListentry, DEF_ERR_NoMemForListentry, sizeof(DEF_ERR_NoMemForListentry) - 1 },
    { ERR_NoMemForListdata, DEF_ERR_NoMemForListdata, sizeof(DEF_ERR_NoMemForListdata) - 1 },
    { ERR_CanNotLoadSample, DEF_ERR_CanNotLoadSample, sizeof(DEF_ERR_CanNotLoadSample) - 1 },
    { ERR_CanNotCreateSocket, DEF_ERR_CanNotCreateSocket, sizeof(DEF_ERR_CanNotCreateSocket) - 1 },
    { ERR_CanNotConnectServer, DEF_ERR_CanNotConnectServer, sizeof(DEF_ERR_CanNotConnectServer) - 1 },
    { ERR_SendDataError, DEF_ERR_SendDataError, sizeof(DEF_ERR_SendDataError) - 1 },
    { ERR_ReceiveDataError, DEF_ERR_ReceiveDataError, sizeof(DEF_ERR_ReceiveDataError) - 1 },
    { ERR_BufferToSmall, DEF_ERR_BufferToSmall, sizeof(DEF_ERR_BufferToSmall) - 1 },
    { ERR_RamRefused, DEF_ERR_RamRefused, sizeof(DEF_ERR_RamRefused) - 1 },
    { TX_RamIsLink, DEF_TX_RamIsLink, sizeof(DEF_TX_RamIsLink) - 1 },
    { TX_RamForeign, DEF_TX_RamForeign, sizeof(DEF_TX_RamForeign) - 1 },
    { TX_RamShared, DEF_TX_RamShared, sizeof(DEF_TX_RamShared) - 1 },
    { TX_RamUnusable, DEF_TX_RamUnusable, sizeof(DEF_TX_RamUnusable) - 1 },
    { ERR_PathTooLong, DEF_ERR_PathTooLong, sizeof(DEF_ERR_PathTooLong) - 1 },
    { ERR_CantLayoutMenu, DEF_ERR_CantLayoutMenu, sizeof(DEF_ERR_CantLayoutMenu) - 1 },
    { ERR_CantCreateMenu, DEF_ERR_CantCreateMenu, sizeof(DEF_ERR_CantCreateMenu) - 1 },
    { ERR_CantGetVisualInfo, DEF_ERR_CantGetVisualInfo, sizeof(DEF_ERR_CantGetVisualInfo) - 1 },
    { ERR_CouldntLockPubScreen, DEF_ERR_CouldntLockPubScreen, sizeof(DEF_ERR_CouldntLockPubScreen) - 1 },
};
// clang-format on

const ULONG gb_CatalogDefaultCount = sizeof(gb_CatalogDefaults) / sizeof(gb_CatalogDefaults[0]);

CONST_STRPTR GetString(LONG id)
{
    for (ULONG i = 0; i < gb_CatalogDefaultCount; i++) {
        if (gb_CatalogDefaults[i].id == id)
            return locale::GetCatalogStr(gb_Catalog, id, gb_CatalogDefaults[i].text);
    }
    return "";
}
