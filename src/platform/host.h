#pragma once

// Hooks between the host implementations (real and test); the program never includes this.

#include <cstdint>

namespace exec_host {

// Set by the GUI host: runs its event loop on the main thread until `wake` is called or
// `timeoutMs` passes, so that windows repaint while the program task waits.
using PumpFn = void (*)(int timeoutMs);
using WakeFn = void (*)();
void SetEventPump(PumpFn pump, WakeFn wake);

// The exec version the host reports (54.16 on Linux); the test host sets older ones.
void SetVersion(uint16_t version, uint16_t revision);

// Forgets every signal of the main task and a pending quit (test isolation).
void ResetSignals();

// A quit asked from outside the program (SIGINT, SIGTERM). It stays pending for the rest of the run,
// and every blocking wait of the hosts (a download, the open requester) ends at once while it is, so
// that the program reaches its shutdown within a moment. Safe from any thread.
void RequestQuit();
bool QuitPending();
// Becomes readable once a quit is pending and stays so: for poll() and socket notifiers.
int QuitFd();

} // namespace exec_host

namespace dos_host {

// Test aid: after `bytes` more bytes every Write fails, as on a full disk; -1 switches it off.
void FailWritesAfter(long bytes);

// Test aid: returns once every program started by SystemTags or the URL device has ended.
void WaitForStartedPrograms();

} // namespace dos_host

namespace application_host {

// The application library's version the host offers (53 on Linux); the test host lowers it.
void SetLibraryVersion(uint32_t version);

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

namespace port_host {

// How long a public port's client may stay silent before its first byte (1000 ms); tests lengthen it.
void SetFirstByteTimeout(int ms);

} // namespace port_host
