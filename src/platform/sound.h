#pragma once

// Sound objects in the manner of the datatypes system: a file is loaded as a sound, played once on
// a player thread, and a task is signalled when the sound has ended.

#include <cstdint>

#include "platform/exec.h"

namespace sound {

struct Object;

// The trigger function that starts playing.
constexpr uint32_t STM_PLAY = 0x302;

// Loads `name` (a host path, or a path with a device such as "Tavrin:") as a sound: WAV, AIFF,
// IFF 8SVX, FLAC, Ogg and what else the decoder knows. Null when the file cannot be opened or holds
// no sound that can be played; dos::IoErr then holds the reason for dos::Fault.
Object *NewDTObject(const char *name, exec::Task *signalTask, uint32_t signalMask);

// DTM_TRIGGER: starts playing once and returns at once; `signalMask` is set on `signalTask` when the
// sound has ended. Where no output device can be opened nothing is heard, the signal is set at once,
// and the result is a short description of why (valid until the object goes); null otherwise.
const char *Trigger(Object *obj, uint32_t function);

// Stops a sound that still plays and frees the object. Accepts null.
void DisposeDTObject(Object *obj);

} // namespace sound
