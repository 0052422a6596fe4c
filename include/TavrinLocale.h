#pragma once

// Numbers of the user texts: the keys of the catalog file, never renumbered.
// Every text is looked up when it is used; the built-in defaults are German.

#include "Tavrin.h"

enum LocaleIDs : LONG {
    TX_Ok = 1001,
    TX_Info_Program = 1002,
    TX_Info_Graphics = 1003,
    TX_Info_Samples = 1004,
    TX_Info_Catalog = 1005,
    TX_WinTitle = 1100,
    TX_Menu_Project = 1101,
    TX_Menu_About = 1102,
    TX_Menu_Quit = 1103,
    TX_ListColumnDate = 1104,
    TX_ListColumnTitel = 1105,
    TX_GadGerman = 1106,
    TX_GadEnglish = 1107,
    TX_GadPrefs = 1108,
    TX_GadSow = 1109,
    TX_GadReport = 1110,
    TX_PrefswinTitle = 1200,
    TX_PGad_Checklang1 = 1201,
    TX_PGad_Checklang2 = 1202,
    TX_PGad_Checklang3 = 1203,
    TX_PGad_Interval1 = 1204,
    TX_PGad_Interval2 = 1205,
    TX_PGad_Interval3 = 1206,
    TX_PGad_Interval4 = 1207,
    TX_PGad_Interval5 = 1208,
    TX_PGad_Interval6 = 1209,
    TX_PGad_Request1 = 1210,
    TX_PGad_Request2 = 1211,
    TX_PGad_Request3 = 1212,
    TX_PGad_Openshow1 = 1213,
    TX_PGad_Openshow2 = 1214,
    TX_PGad_Openshow3 = 1215,
    TX_PGad_GroupCheck = 1216,
    TX_PGad_Checklang = 1217,
    TX_PGad_Intervall = 1218,
    TX_PGad_Openshow = 1219,
    TX_PGad_GroupNews = 1220,
    TX_PGad_Request = 1221,
    TX_PGad_Sample = 1222,
    TX_PGad_Ringhio = 1223,
    TX_PGad_Ringhio2 = 1224,
    TX_PGad_Browser = 1225,
    TX_PGad_Anzeige = 1226,
    TX_PGad_Anzeige1 = 1227,
    TX_PGad_Anzeige2 = 1228,
    TX_PGad_GroupWin = 1229,
    TX_PGad_AutosaveWin = 1230,
    TX_PGad_SnapshotWin = 1231,
    TX_PGad_UnsnapshotWin = 1232,
    TX_PGad_Save = 1233,
    TX_PGad_Cancel = 1234,
    TX_RinghioTitle = 1300,
    TX_SelectSample = 1301,
    TX_SelectBrowser = 1302,
    TX_NewGerEngNews = 1303,
    TX_NewGermanNews = 1304,
    TX_NewEnglishNews = 1305,
    TX_DockNoNews = 1306,
    TX_DockChecking = 1307,
    TX_DockNoNetwork = 1308,
    ERR_CanNotCreateRequester = 1400,
    ERR_StartFromWorkbench = 1401,
    ERR_CanNotOpenApplib = 1402,
    ERR_CanNotCreateApp = 1403,
    ERR_CanNotCreateDocky = 1404,
    ERR_CanNotLoadPictures = 1405,
    ERR_CanNotCreateWin = 1406,
    ERR_CanNotCreatePrefswin = 1407,
    ERR_CanNotLockPubscreen = 1420,
    ERR_LoadingPicFailed = 1421,
    ERR_InstancePicFailed = 1422,
    ERR_DamagedConfig = 1423,
    ERR_CanSaveConfig = 1424,
    ERR_CanNotStartBrowser = 1425,
    ERR_URLNotAvailable = 1426,
    ERR_NoMemForListentry = 1427,
    ERR_NoMemForListdata = 1428,
    ERR_CanNotLoadSample = 1429,
    ERR_CanNotCreateSocket = 1440,
    ERR_CanNotConnectServer = 1441,
    ERR_SendDataError = 1442,
    ERR_ReceiveDataError = 1443,
    ERR_BufferToSmall = 1444,
    ERR_RamRefused = 1460,
    TX_RamIsLink = 1461,
    TX_RamForeign = 1462,
    TX_RamShared = 1463,
    TX_RamUnusable = 1464,
    ERR_PathTooLong = 1465,
    ERR_CantLayoutMenu = 1490,
    ERR_CantCreateMenu = 1491,
    ERR_CantGetVisualInfo = 1492,
    ERR_CouldntLockPubScreen = 1493,
};

// The built-in default of every number (UTF-8; the menu texts hold a NUL after their key).
extern const char *const STR_TX_Ok;
extern const char *const STR_TX_Info_Program;
extern const char *const STR_TX_Info_Graphics;
extern const char *const STR_TX_Info_Samples;
extern const char *const STR_TX_Info_Catalog;
extern const char *const STR_TX_WinTitle;
extern const char *const STR_TX_Menu_Project;
extern const char *const STR_TX_Menu_About;
extern const char *const STR_TX_Menu_Quit;
extern const char *const STR_TX_ListColumnDate;
extern const char *const STR_TX_ListColumnTitel;
extern const char *const STR_TX_GadGerman;
extern const char *const STR_TX_GadEnglish;
extern const char *const STR_TX_GadPrefs;
extern const char *const STR_TX_GadSow;
extern const char *const STR_TX_GadReport;
extern const char *const STR_TX_PrefswinTitle;
extern const char *const STR_TX_PGad_Checklang1;
extern const char *const STR_TX_PGad_Checklang2;
extern const char *const STR_TX_PGad_Checklang3;
extern const char *const STR_TX_PGad_Interval1;
extern const char *const STR_TX_PGad_Interval2;
extern const char *const STR_TX_PGad_Interval3;
extern const char *const STR_TX_PGad_Interval4;
extern const char *const STR_TX_PGad_Interval5;
extern const char *const STR_TX_PGad_Interval6;
extern const char *const STR_TX_PGad_Request1;
extern const char *const STR_TX_PGad_Request2;
extern const char *const STR_TX_PGad_Request3;
extern const char *const STR_TX_PGad_Openshow1;
extern const char *const STR_TX_PGad_Openshow2;
extern const char *const STR_TX_PGad_Openshow3;
extern const char *const STR_TX_PGad_GroupCheck;
extern const char *const STR_TX_PGad_Checklang;
extern const char *const STR_TX_PGad_Intervall;
extern const char *const STR_TX_PGad_Openshow;
extern const char *const STR_TX_PGad_GroupNews;
extern const char *const STR_TX_PGad_Request;
extern const char *const STR_TX_PGad_Sample;
extern const char *const STR_TX_PGad_Ringhio;
extern const char *const STR_TX_PGad_Ringhio2;
extern const char *const STR_TX_PGad_Browser;
extern const char *const STR_TX_PGad_Anzeige;
extern const char *const STR_TX_PGad_Anzeige1;
extern const char *const STR_TX_PGad_Anzeige2;
extern const char *const STR_TX_PGad_GroupWin;
extern const char *const STR_TX_PGad_AutosaveWin;
extern const char *const STR_TX_PGad_SnapshotWin;
extern const char *const STR_TX_PGad_UnsnapshotWin;
extern const char *const STR_TX_PGad_Save;
extern const char *const STR_TX_PGad_Cancel;
extern const char *const STR_TX_RinghioTitle;
extern const char *const STR_TX_SelectSample;
extern const char *const STR_TX_SelectBrowser;
extern const char *const STR_TX_NewGerEngNews;
extern const char *const STR_TX_NewGermanNews;
extern const char *const STR_TX_NewEnglishNews;
extern const char *const STR_TX_DockNoNews;
extern const char *const STR_TX_DockChecking;
extern const char *const STR_TX_DockNoNetwork;
extern const char *const STR_ERR_CanNotCreateRequester;
extern const char *const STR_ERR_StartFromWorkbench;
extern const char *const STR_ERR_CanNotOpenApplib;
extern const char *const STR_ERR_CanNotCreateApp;
extern const char *const STR_ERR_CanNotCreateDocky;
extern const char *const STR_ERR_CanNotLoadPictures;
extern const char *const STR_ERR_CanNotCreateWin;
extern const char *const STR_ERR_CanNotCreatePrefswin;
extern const char *const STR_ERR_CanNotLockPubscreen;
extern const char *const STR_ERR_LoadingPicFailed;
extern const char *const STR_ERR_InstancePicFailed;
extern const char *const STR_ERR_DamagedConfig;
extern const char *const STR_ERR_CanSaveConfig;
extern const char *const STR_ERR_CanNotStartBrowser;
extern const char *const STR_ERR_URLNotAvailable;
extern const char *const STR_ERR_NoMemForListentry;
extern const char *const STR_ERR_NoMemForListdata;
extern const char *const STR_ERR_CanNotLoadSample;
extern const char *const STR_ERR_CanNotCreateSocket;
extern const char *const STR_ERR_CanNotConnectServer;
extern const char *const STR_ERR_SendDataError;
extern const char *const STR_ERR_ReceiveDataError;
extern const char *const STR_ERR_BufferToSmall;
extern const char *const STR_ERR_RamRefused;
extern const char *const STR_TX_RamIsLink;
extern const char *const STR_TX_RamForeign;
extern const char *const STR_TX_RamShared;
extern const char *const STR_TX_RamUnusable;
extern const char *const STR_ERR_PathTooLong;
extern const char *const STR_ERR_CantLayoutMenu;
extern const char *const STR_ERR_CantCreateMenu;
extern const char *const STR_ERR_CantGetVisualInfo;
extern const char *const STR_ERR_CouldntLockPubScreen;

struct CatalogDefault {
    LONG id;
    const char *text;
    ULONG length; // bytes without the final NUL; the menu texts hold one inside
};

extern const CatalogDefault gb_CatalogDefaults[];
extern const ULONG gb_CatalogDefaultCount;

// The text for `id` from gb_Catalog, or its built-in default; never null.
CONST_STRPTR GetString(LONG id);
