#pragma once

// Hooks between the pieces of the hosts; the program never includes this. What only tests turn lives in
// each host's Knobs.h.

namespace exec_host {

// Set by the GUI host: runs its event loop on the main thread until `wake` is called or
// `timeoutMs` passes, so that windows repaint while the program task waits.
using PumpFn = void (*)(int timeoutMs);
using WakeFn = void (*)();
void SetEventPump(PumpFn pump, WakeFn wake);

// A quit asked from outside the program (SIGINT, SIGTERM). It stays pending for the rest of the run,
// and every blocking wait of the hosts (a download, the open requester) ends at once while it is, so
// that the program reaches its shutdown within a moment. Safe from any thread.
void RequestQuit();
bool QuitPending();
// Becomes readable once a quit is pending and stays so: for poll() and socket notifiers.
int QuitFd();

} // namespace exec_host

namespace application_host {

// The host's dock. A registration with a dock icon (APPICONT_Docky, not REGAPP_NoIcon) calls `add` with
// the icon's library base; unregistering calls `remove`, which takes the icon away before it returns.
using AddDockIconFn = void (*)(void *dockyBase);
using RemoveDockIconFn = void (*)();
void SetDock(AddDockIconFn add, RemoveDockIconFn remove);

} // namespace application_host

namespace net_host {

// Called about every 50 ms while a connect or receive waits, so that the GUI host can repaint
// (and hold back user input) while a download blocks the program's task.
using IdleFn = void (*)();
void SetIdleHook(IdleFn hook);
// The hook set, or null: the HTTP host's waits call it as well.
IdleFn IdleHook();

} // namespace net_host
