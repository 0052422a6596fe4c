#pragma once

// Outside senders: SIGINT, SIGUSR1 and SIGUSR2 become the break signals C, E and F of the
// program's task; SIGTERM becomes an APPLIBMT_Quit message on the application's port.

#include "platform/exec.h"

namespace posix_signals {

// Installs the handlers (they only write to a self-pipe) and the thread that turns the pipe's
// bytes into signals and messages for `task`.
bool Install(exec::Task *task);
// Where SIGTERM's quit message goes; without a port it ends the program with SIGBREAKF_CTRL_C.
void SetQuitPort(exec::MsgPort *port);

} // namespace posix_signals
