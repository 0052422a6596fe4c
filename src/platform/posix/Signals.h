#pragma once

// Outside senders: SIGINT, SIGUSR1 and SIGUSR2 become the break signals C, E and F of the
// program's task; SIGTERM becomes an APPLIBMT_Quit message on the application's port. SIGINT and
// SIGTERM also make a quit pending (exec_host::RequestQuit), which ends a blocking download or
// requester at once.

#include "platform/exec.h"

namespace posix_signals {

// Installs the handlers (they only write to a self-pipe) and the thread that turns the pipe's
// bytes into signals and messages for `task`.
bool Install(exec::Task *task);
// Where SIGTERM's quit message goes; without a port it ends the program with SIGBREAKF_CTRL_C.
void SetQuitPort(exec::MsgPort *port);
// Ends and joins the thread; signals that arrive later are ignored. Called before the GUI host goes,
// since delivering a signal may wake its event loop.
void Stop();

} // namespace posix_signals
