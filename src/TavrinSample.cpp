#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"
#include "platform/sound.h"

// Plays the sample named in the settings once and returns when it has ended. The task waits for break
// signal D, which nothing else in the program uses; windows repaint meanwhile, and what the user does
// waits in their queues for the main loop.
void PlaySample()
{
    if (gb_PrefsData.Sample[0] == 0)
        return;
    sound::Object *dt = sound::NewDTObject(gb_PrefsData.Sample, exec::FindTask(nullptr), SIGBREAKF_CTRL_D);
    if (!dt) {
        // "<path>: <reason>" fills the catalog text's %s; the path is never read as a format.
        char buffer[200];
        dos::Fault(dos::IoErr(), gb_PrefsData.Sample, buffer, sizeof buffer);
        DisplayRequester(REQType_Error, GetString(ERR_CanNotLoadSample), GetString(TX_Ok), buffer);
        return;
    }
    // A stale signal D must not end the wait before the sound has.
    exec::SetSignal(0, SIGBREAKF_CTRL_D);
    CONST_STRPTR failure = sound::Trigger(dt, sound::STM_PLAY);
    if (failure && (gb_Debug & DEBUG_GUI))
        dos::Printf("PlaySample: %s\n", failure);
    exec::Wait(SIGBREAKF_CTRL_D);
    sound::DisposeDTObject(dt);
}
