#include "TavrinDocky.h"

#include <cstdio>
#include <new>

#include "TavrinCause.h"
#include "TavrinLocale.h"
#include "platform/docky.h"
#include "platform/dos.h"
#include "platform/library.h"

// The dock icon is a small library made inside the program. The dock calls its docky interface from
// its own thread; the icon draws the picture of its state, wakes the program task when the next news
// check is due (SIGBREAKF_CTRL_E) and when it is clicked (SIGBREAKF_CTRL_F).

using namespace docky;

picture::BitMapSource *gb_source[PICTURE_COUNT];
picture::BitMapInstance *gb_instance[PICTURE_COUNT];
picture::BitMap *gb_Bitmap[PICTURE_COUNT];
ULONG gb_Width[PICTURE_COUNT];
ULONG gb_Height[PICTURE_COUNT];

namespace {

const char *const kPictureFiles[PICTURE_COUNT] = {"TR0.png", "TR1.png", "TR2.png", "TR3.png", "TR4.png", "TR5.png"};

// The tooltip of each state.
const LONG kStateHints[PICTURE_COUNT]
    = {TX_DockNoNews, TX_NewGermanNews, TX_NewEnglishNews, TX_NewGerEngNews, TX_DockChecking, TX_DockNoNetwork};

constexpr LONG FRAME_DELAY = 30; // ticks between redraws that the icon asks for
constexpr LONG ARM_TICKS = 3; // the first check falls due this long after the frame-delay query
constexpr LONG TICKS_PER_MINUTE = 60 * 50;
constexpr LONG MINUTES_PER_DAY = 1440;

void PictureError(LONG id)
{
    DisplayRequester(REQType_Error, GetString(id), GetString(TX_Ok));
}

uint32_t _manager_Obtain(exec::Interface *self);
uint32_t _manager_Release(exec::Interface *self);
uint32_t _docky_Obtain(exec::Interface *self);
uint32_t _docky_Release(exec::Interface *self);
void _docky_Expunge(exec::Interface *self);
exec::Interface *_docky_Clone(exec::Interface *self);
BOOL _docky_DockyGet(exec::Interface *self, ULONG msgType, void *msgData);
BOOL _docky_DockySet(exec::Interface *self, ULONG msgType, MsgData msgData);
BOOL _docky_DockyProcess(exec::Interface *self, ULONG turnCount, ULONG *msgType, MsgData *msgData, BOOL *anotherTurn);

void NewDockyData(void *data)
{
    new (data) TavrinDockyData();
}

const exec::Vector lib_manager_vectors[] = {exec::ToVector(_manager_Obtain), exec::ToVector(_manager_Release), nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, exec::VECTOR_END};
const exec::Vector docky_vectors[] = {exec::ToVector(_docky_Obtain), exec::ToVector(_docky_Release),
    exec::ToVector(_docky_Expunge), exec::ToVector(_docky_Clone), exec::ToVector(_docky_DockyGet),
    exec::ToVector(_docky_DockySet), exec::ToVector(_docky_DockyProcess), exec::VECTOR_END};

const exec::InterfaceTags lib_managerTags = {"__library", 1, 0, 0, lib_manager_vectors, nullptr};
const exec::InterfaceTags dockyTags
    = {"docky", 1, sizeof(TavrinDockyData), exec::IFLF_PRIVATE, docky_vectors, NewDockyData};
const exec::InterfaceTags *const libInterfaces[] = {&lib_managerTags, &dockyTags, nullptr};
const exec::LibraryTags libCreateTags = {0, libInterfaces};

TavrinDockyData *DockyData(exec::Interface *self)
{
    return std::launder(static_cast<TavrinDockyData *>(exec::InterfaceData(self)));
}

DateStamp Now()
{
    dos::Stamp now;
    dos::DateStamp(&now);
    return {now.ds_Days, now.ds_Minute, now.ds_Tick};
}

DateStamp TicksLater(DateStamp ds, LONG ticks)
{
    ds.ds_Tick += ticks;
    ds.ds_Minute += ds.ds_Tick / TICKS_PER_MINUTE;
    ds.ds_Tick %= TICKS_PER_MINUTE;
    ds.ds_Days += ds.ds_Minute / MINUTES_PER_DAY;
    ds.ds_Minute %= MINUTES_PER_DAY;
    return ds;
}

bool IsLater(const DateStamp &a, const DateStamp &b)
{
    if (a.ds_Days != b.ds_Days)
        return a.ds_Days > b.ds_Days;
    if (a.ds_Minute != b.ds_Minute)
        return a.ds_Minute > b.ds_Minute;
    return a.ds_Tick > b.ds_Tick;
}

// One bitmap copy and one date comparison: nothing is loaded or allocated on this path. The state's
// picture is drawn with slot 0's size; the due time moves on by the check interval, and a due time that
// passes minute 1440 starts the next day at minute 0.
BOOL DrawAndTick(TavrinDockyData *dd)
{
    LONG state = dd->state;
    if (state >= 0 && state < LONG(PICTURE_COUNT)) {
        picture::BltBitMapRastPort(
            gb_Bitmap[state], 0, 0, dd->rp, 0, 0, WORD(gb_Width[0]), WORD(gb_Height[0]), picture::MINTERM_COPY);
    }
    if (!IsLater(Now(), dd->ds))
        return TRUE;
    if (gb_Debug & DEBUG_DOCKY)
        dos::PutStr("TICKER !\n");
    exec::Task *task = gb_PrgTask;
    if (!task)
        return TRUE; // the due time stays: the next redraw tries again
    gb_DockyData = dd;
    exec::Signal(task, SIGBREAKF_CTRL_E);
    dd->ds.ds_Minute += LONG(gb_Intervall.load());
    if (dd->ds.ds_Minute > MINUTES_PER_DAY) {
        dd->ds.ds_Days++;
        dd->ds.ds_Minute = 0;
    }
    return TRUE;
}

// The tooltip: the state in words, on a line of its own when the last check went well, and in the
// no-network state why the last download failed. Composed on the dock's thread from the words that the
// program task keeps, into a buffer of that thread, which the dock copies at once.
CONST_STRPTR Hint(LONG state)
{
    thread_local char hint[640];
    if (state < 0 || state >= LONG(PICTURE_COUNT))
        return "";
    char checked[160], cause[320] = "";
    FormatLastCheck(checked, sizeof checked);
    const LONG text = gb_NetCause.load();
    if (state == State_nonet && text)
        FormatCause(cause, sizeof cause, text, gb_NetStatus.load(), gb_NetReason.load(), nullptr);
    snprintf(hint, sizeof hint, "%s\n%s%s%s", GetString(kStateHints[state]), checked, cause[0] ? "\n" : "", cause);
    return hint;
}

uint32_t _manager_Obtain(exec::Interface *self)
{
    return ++self->RefCount;
}

uint32_t _manager_Release(exec::Interface *self)
{
    return --self->RefCount;
}

uint32_t _docky_Obtain(exec::Interface *self)
{
    return ++self->RefCount;
}

uint32_t _docky_Release(exec::Interface *self)
{
    uint32_t count = --self->RefCount;
    if (count == 0 && (self->Flags & exec::IFLF_CLONED)) {
        exec::DeleteInterface(self);
        return 0;
    }
    return count;
}

void _docky_Expunge(exec::Interface *) { }

exec::Interface *_docky_Clone(exec::Interface *self)
{
    exec::Interface *clone = exec::MakeInterface(self->LibBase, dockyTags);
    if (!clone)
        return nullptr;
    clone->Flags |= exec::IFLF_CLONED;
    DockyData(clone)->size = {LONG(gb_Width[0]), LONG(gb_Height[0])};
    return clone;
}

BOOL _docky_DockyGet(exec::Interface *self, ULONG msgType, void *msgData)
{
    TavrinDockyData *dd = DockyData(self);
    switch (msgType) {
    case DOCKYGET_Version:
        *static_cast<ULONG *>(msgData) = exec::Version() <= 52 ? (50u << 16) | 49u : (53u << 16) | 1u;
        return TRUE;
    case DOCKYGET_GetSize:
        *static_cast<DockySize *>(msgData) = dd->size;
        return TRUE;
    case DOCKYGET_FrameDelay:
        *static_cast<LONG *>(msgData) = FRAME_DELAY;
        dd->ds = TicksLater(Now(), ARM_TICKS);
        dd->state = State_check;
        return TRUE;
    case DOCKYGET_RenderMode:
        *static_cast<ULONG *>(msgData) = DOCKYRENDERMODE_RP;
        return TRUE;
    case DOCKYGET_Notifications:
        *static_cast<ULONG *>(msgData) = 0xffffffffu;
        return TRUE;
    case DOCKYGET_Name:
        *static_cast<CONST_STRPTR *>(msgData) = "Tavrin";
        return TRUE;
    case DOCKYGET_Hint:
        *static_cast<CONST_STRPTR *>(msgData) = Hint(dd->state);
        return TRUE;
    }
    return FALSE;
}

BOOL _docky_DockySet(exec::Interface *self, ULONG msgType, MsgData msgData)
{
    TavrinDockyData *dd = DockyData(self);
    switch (msgType) {
    case DOCKYSET_RenderDestination: {
        auto *rd = reinterpret_cast<const DockyRenderDestination *>(msgData);
        if (!rd)
            return FALSE;
        dd->size = rd->renderSize;
        if (rd->renderMode == DOCKYRENDERMODE_RP)
            dd->rp = rd->render.RP;
        return TRUE;
    }
    case DOCKYSET_Screen:
        dd->scr = reinterpret_cast<gui::Screen *>(msgData);
        dd->dri = picture::GetScreenDrawInfo(dd->scr);
        return TRUE;
    case DOCKYSET_DockyChange:
        if (!msgData)
            return FALSE;
        dd->self = *reinterpret_cast<const DockyObjectNr *>(msgData);
        return TRUE;
    case DOCKYSET_RedrawNow:
        return DrawAndTick(dd);
    case DOCKYSET_SelectChange:
        if ((msgData & 0xffff) == 0) {
            gb_DockyData = dd;
            exec::Signal(gb_PrgTask, SIGBREAKF_CTRL_F);
        }
        return TRUE;
    case DOCKYSET_DockTypeChange:
        return TRUE;
    }
    return FALSE;
}

BOOL _docky_DockyProcess(exec::Interface *, ULONG, ULONG *, MsgData *, BOOL *)
{
    return TRUE;
}

} // namespace

BOOL LoadPicture(CONST_STRPTR filename, ULONG i, gui::Screen *scr)
{
    gb_source[i] = picture::ObtainBitMapSource(filename);
    if (!gb_source[i]) {
        PictureError(ERR_LoadingPicFailed);
        return FALSE;
    }
    gb_instance[i] = picture::ObtainBitMapInstance(gb_source[i], scr);
    if (!gb_instance[i]) {
        PictureError(ERR_InstancePicFailed);
        picture::ReleaseBitMapSource(gb_source[i]);
        gb_source[i] = nullptr;
        return FALSE;
    }
    picture::BitMapInstanceControl(gb_instance[i], &gb_Bitmap[i], &gb_Width[i], &gb_Height[i]);
    return TRUE;
}

// All six are tried, also after a failure, so that each missing picture gets its own requester.
BOOL LoadAllPictures()
{
    ULONG count = 0;
    gui::Screen *scr = picture::LockPubScreen(nullptr);
    if (!scr) {
        PictureError(ERR_CanNotLockPubscreen);
        return FALSE;
    }
    if (dos::Lock *lock = dos::LockShared(gb_SkinPath)) {
        dos::Lock *old = dos::SetCurrentDir(lock);
        for (ULONG i = 0; i < PICTURE_COUNT; i++)
            count += LoadPicture(kPictureFiles[i], i, scr) ? 1 : 0;
        dos::UnLock(dos::SetCurrentDir(old));
        dos::UnLock(old);
        dos::UnLock(lock);
    }
    picture::UnlockPubScreen(nullptr, scr);
    return count == PICTURE_COUNT;
}

void FreeAllPictures()
{
    for (ULONG i = 0; i < PICTURE_COUNT; i++) {
        if (gb_instance[i])
            picture::ReleaseBitMapInstance(gb_instance[i]);
        if (gb_source[i])
            picture::ReleaseBitMapSource(gb_source[i]);
        gb_instance[i] = nullptr;
        gb_source[i] = nullptr;
        gb_Bitmap[i] = nullptr;
        gb_Width[i] = gb_Height[i] = 0;
    }
}

void *CreateDockyLibrary()
{
    return exec::CreateLibrary(libCreateTags);
}

void DeleteDockyLibrary(void *base)
{
    exec::DeleteLibrary(static_cast<exec::Library *>(base));
}
