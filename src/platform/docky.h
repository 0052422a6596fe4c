#pragma once

// The dock icon ("docky") interface. The host's dock calls an icon only through these entry points, all
// from the dock's own thread: it clones the library's docky interface for the icon, asks the queries,
// announces screen, object number and render destination, then sends redraws and selection changes.

#include <cstdint>

#include "platform/library.h"

namespace gui {
struct RastPort;
struct Screen;
} // namespace gui

namespace docky {

struct DockyObjectNr {
    int32_t dockNr, categoryNr, objectNr;
};
struct DockySize {
    int32_t width, height;
};

// Queries (DockyGet) and the type the answer is written as.
constexpr uint32_t DOCKYGET_Version = 1; // uint32_t: protocol version in the upper, revision in the lower 16 bits
constexpr uint32_t DOCKYGET_GetSize = 2; // DockySize
constexpr uint32_t DOCKYGET_FrameDelay = 3; // int32_t: ticks of 1/50 s from one redraw to the next
constexpr uint32_t DOCKYGET_RenderMode = 4; // uint32_t: a DOCKYRENDERMODE_ value
constexpr uint32_t DOCKYGET_Notifications = 5; // uint32_t: the notifications wanted, one bit each
constexpr uint32_t DOCKYGET_Name = 6; // const char *
// Asked by the Linux host after each redraw: the text of the icon's tooltip (const char *, UTF-8, lines
// parted by '\n'), valid until the next query from the same thread.
constexpr uint32_t DOCKYGET_Hint = 100;

constexpr uint32_t DOCKYRENDERMODE_RP = 3; // the icon draws into a RastPort the dock gives it

// Notifications (DockySet) and what their msgData carries.
constexpr uint32_t DOCKYSET_RenderDestination = 1; // const DockyRenderDestination *
constexpr uint32_t DOCKYSET_Screen = 3; // gui::Screen *
constexpr uint32_t DOCKYSET_DockyChange = 5; // const DockyObjectNr *
constexpr uint32_t DOCKYSET_RedrawNow = 10; // nothing
constexpr uint32_t DOCKYSET_SelectChange = 200; // low 16 bits: non-zero while pressed, 0 when released
constexpr uint32_t DOCKYSET_DockTypeChange = 1008; // the dock's new type

struct DockyRenderDestination {
    DockySize renderSize;
    uint32_t renderMode;
    union {
        gui::RastPort *RP;
    } render;
};

// Notifications carry pointers as well as numbers, so their data is pointer-sized.
using MsgData = uintptr_t;

// Slots of the docky interface's vector table.
enum DockySlot : uint32_t {
    DOCKY_Obtain,
    DOCKY_Release,
    DOCKY_Expunge,
    DOCKY_Clone,
    DOCKY_DockyGet,
    DOCKY_DockySet,
    DOCKY_DockyProcess,
};

using CountFn = uint32_t (*)(exec::Interface *self);
using ExpungeFn = void (*)(exec::Interface *self);
using CloneFn = exec::Interface *(*)(exec::Interface *self);
using DockyGetFn = int16_t (*)(exec::Interface *self, uint32_t msgType, void *msgData);
using DockySetFn = int16_t (*)(exec::Interface *self, uint32_t msgType, MsgData msgData);
using DockyProcessFn
    = int16_t (*)(exec::Interface *self, uint32_t turnCount, uint32_t *msgType, MsgData *msgData, int16_t *anotherTurn);

// The dock's side: calls through the interface's vector table.
inline uint32_t Obtain(exec::Interface *self)
{
    return exec::VectorOf<CountFn>(self, DOCKY_Obtain)(self);
}
inline uint32_t Release(exec::Interface *self)
{
    return exec::VectorOf<CountFn>(self, DOCKY_Release)(self);
}
inline exec::Interface *Clone(exec::Interface *self)
{
    return exec::VectorOf<CloneFn>(self, DOCKY_Clone)(self);
}
inline bool DockyGet(exec::Interface *self, uint32_t msgType, void *msgData)
{
    return exec::VectorOf<DockyGetFn>(self, DOCKY_DockyGet)(self, msgType, msgData) != 0;
}
inline bool DockySet(exec::Interface *self, uint32_t msgType, MsgData msgData)
{
    return exec::VectorOf<DockySetFn>(self, DOCKY_DockySet)(self, msgType, msgData) != 0;
}

} // namespace docky
