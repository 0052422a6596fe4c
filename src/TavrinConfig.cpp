#include <cstring>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"

// The settings file holds the window geometry and then the byte image of TavrinPrefs; the
// timestamp file holds gb_TS[0] and gb_TS[1]. Both are big-endian whatever the host's order, and
// neither carries a version: the number of bytes that can be read is the only format marker.

TavrinPrefs gb_PrefsData;
LONG gb_WinLeft, gb_WinTop, gb_WinWidth, gb_WinHeight;
std::atomic<ULONG> gb_Intervall {0};
ULONG gb_TS[Arsschanel_max];

static const char ConfigFile[] = "ENVARC:Tavrin.conf";
static const char TimestampFile[] = "ENVARC:Tavrin.ts";

constexpr LONG GeometrySize = 16;
constexpr LONG PrefsSize = 412;
// The record of older versions ends before Anzeige.
constexpr LONG OldPrefsSize = 410;

static void PutBE32(UBYTE *p, ULONG v)
{
    p[0] = UBYTE(v >> 24);
    p[1] = UBYTE(v >> 16);
    p[2] = UBYTE(v >> 8);
    p[3] = UBYTE(v);
}

static ULONG GetBE32(const UBYTE *p)
{
    return ULONG(p[0]) << 24 | ULONG(p[1]) << 16 | ULONG(p[2]) << 8 | p[3];
}

static void PutBE16(UBYTE *p, UWORD v)
{
    p[0] = UBYTE(v >> 8);
    p[1] = UBYTE(v);
}

static UWORD GetBE16(const UBYTE *p)
{
    return UWORD(p[0] << 8 | p[1]);
}

// The record's file image. Offsets are those of the record itself (checked in Tavrin.h), so only
// the two 16-bit booleans need their bytes turned.
static void PrefsToBytes(const TavrinPrefs *prefs, UBYTE *out)
{
    std::memcpy(out, prefs, PrefsSize);
    PutBE16(out + offsetof(TavrinPrefs, Ringhio), UWORD(prefs->Ringhio));
    PutBE16(out + offsetof(TavrinPrefs, Savewin), UWORD(prefs->Savewin));
}

static void PrefsFromBytes(const UBYTE *in, TavrinPrefs *prefs)
{
    std::memcpy(prefs, in, PrefsSize);
    prefs->Ringhio = BOOL(GetBE16(in + offsetof(TavrinPrefs, Ringhio)));
    prefs->Savewin = BOOL(GetBE16(in + offsetof(TavrinPrefs, Savewin)));
    // A file written elsewhere may fill a text to its last byte; every reader relies on the NUL.
    prefs->Sample[sizeof(prefs->Sample) - 1] = 0;
    prefs->Browser[sizeof(prefs->Browser) - 1] = 0;
}

static BOOL ReadBE32(dos::File *file, ULONG *value)
{
    UBYTE bytes[4];
    if (dos::Read(file, bytes, 4) != 4)
        return FALSE;
    *value = GetBE32(bytes);
    return TRUE;
}

static void SetDefaultPrefs()
{
    std::memset(&gb_PrefsData, 0, sizeof(gb_PrefsData));
    gb_PrefsData.Checklang = 2;
    gb_PrefsData.Interval = 0;
    gb_PrefsData.Request = 0;
    Strlcpy(gb_PrefsData.Sample, "TR_special.8svx", sizeof(gb_PrefsData.Sample));
    gb_PrefsData.Ringhio = TRUE;
    Strlcpy(gb_PrefsData.Browser, "OWB:OWB", sizeof(gb_PrefsData.Browser));
    gb_PrefsData.Anzeige = 0;
    gb_PrefsData.Openshow = 1;
    gb_PrefsData.Savewin = TRUE;
}

// Reads the record behind the geometry; FALSE when neither the current nor the older length was there.
static BOOL LoadPrefsRecord(dos::File *file)
{
    UBYTE bytes[PrefsSize] = {};
    LONG len = dos::Read(file, bytes, PrefsSize);
    if (len != PrefsSize && len != OldPrefsSize)
        return FALSE;
    // The older record lacks Anzeige and the last padding byte, which the zeroed buffer supplies.
    PrefsFromBytes(bytes, &gb_PrefsData);
    return TRUE;
}

BOOL LoadConfig()
{
    gb_WinLeft = 250;
    gb_WinTop = 250;
    gb_WinWidth = 300;
    gb_WinHeight = 150;
    gb_Intervall = 2;
    BOOL confdefekt = FALSE;

    dos::File *file = dos::Open(ConfigFile, dos::MODE_OLDFILE);
    if (!file)
        return FALSE;

    ULONG geometry[4];
    for (ULONG &value : geometry) {
        if (!ReadBE32(file, &value))
            confdefekt = TRUE;
    }
    if (!confdefekt) {
        gb_WinLeft = LONG(geometry[0]);
        gb_WinTop = LONG(geometry[1]);
        gb_WinWidth = LONG(geometry[2]);
        gb_WinHeight = LONG(geometry[3]);
        confdefekt = !LoadPrefsRecord(file);
    }

    if (!confdefekt) {
        SetIntervall();
    } else {
        DisplayRequester(REQType_Info, GetString(ERR_DamagedConfig), GetString(TX_Ok), "conf");
        SetDefaultPrefs();
    }
    dos::Close(file);
    return TRUE;
}

// Writes `length` bytes as a new version of `name`; the old file stays whole unless every byte
// reached the new one.
static BOOL SaveFile(CONST_STRPTR name, CONST_STRPTR which, const UBYTE *bytes, LONG length)
{
    dos::File *file = dos::Open(name, dos::MODE_NEWFILE);
    BOOL ok = file != nullptr;
    if (file) {
        // A short write needs no check here: the file layer then refuses to replace the old file.
        dos::Write(file, bytes, length);
        ok = dos::Close(file);
    }
    if (!ok)
        DisplayRequester(REQType_Error, GetString(ERR_CanSaveConfig), GetString(TX_Ok), which);
    return ok;
}

BOOL SaveConfig()
{
    UBYTE bytes[GeometrySize + PrefsSize];
    PutBE32(bytes + 0, ULONG(gb_WinLeft));
    PutBE32(bytes + 4, ULONG(gb_WinTop));
    PutBE32(bytes + 8, ULONG(gb_WinWidth));
    PutBE32(bytes + 12, ULONG(gb_WinHeight));
    PrefsToBytes(&gb_PrefsData, bytes + GeometrySize);
    return SaveFile(ConfigFile, "conf", bytes, sizeof(bytes));
}

BOOL LoadTimestamp()
{
    gb_TS[Kestrel_german] = 0;
    gb_TS[Kestrel_english] = 0;

    dos::File *file = dos::Open(TimestampFile, dos::MODE_OLDFILE);
    if (!file)
        return FALSE;

    ULONG tsgerman = 0, tsenglish = 0;
    if (ReadBE32(file, &tsgerman) && ReadBE32(file, &tsenglish)) {
        gb_TS[Kestrel_german] = tsgerman;
        gb_TS[Kestrel_english] = tsenglish;
        SetIntervall();
    } else {
        DisplayRequester(REQType_Info, GetString(ERR_DamagedConfig), GetString(TX_Ok), "ts");
    }
    dos::Close(file);
    return TRUE;
}

BOOL SaveTimestamp()
{
    UBYTE bytes[8];
    PutBE32(bytes + 0, gb_TS[Kestrel_german]);
    PutBE32(bytes + 4, gb_TS[Kestrel_english]);
    return SaveFile(TimestampFile, "ts", bytes, sizeof(bytes));
}

void SetIntervall()
{
    static const ULONG minutes[] = {15, 30, 45, 60, 90, 120};
    UBYTE index = gb_PrefsData.Interval;
    ULONG value = index < sizeof(minutes) / sizeof(minutes[0]) ? minutes[index] : 15;
    if (index == 5 && (gb_Debug & DEBUG_SHORTTICK))
        value = 2;
    // One store: the dock's thread reads it at any time.
    gb_Intervall = value;
    if (gb_Debug & DEBUG_GUI)
        dos::Printf("SetIntervall to %ld\n", long(value));
}
