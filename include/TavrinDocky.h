#pragma once

// The dock icon's skin pictures. They are loaded before the dock icon exists and freed after it has gone,
// so the dock's thread reads them without a lock.

#include "Tavrin.h"
#include "platform/picture.h"

// One slot per dockystate: TR0.png for State_none up to TR5.png for State_nonet.
constexpr ULONG PICTURE_COUNT = 6;

extern picture::BitMapSource *gb_source[PICTURE_COUNT];
extern picture::BitMapInstance *gb_instance[PICTURE_COUNT];
extern picture::BitMap *gb_Bitmap[PICTURE_COUNT];
extern ULONG gb_Width[PICTURE_COUNT];
extern ULONG gb_Height[PICTURE_COUNT];

// Loads `filename` (relative to the current directory) into slot `i` for `scr`; FALSE after its requester.
BOOL LoadPicture(CONST_STRPTR filename, ULONG i, gui::Screen *scr);
