#pragma once

// Desktop notifications (the application library's Notify).

#include <cstdint>

namespace notify {

// Shows a notification of the registered application with a title and a text, replacing none shown
// before. Never blocks for more than about a second. Null when it was handed to the desktop's
// notification service; otherwise a short description of why nothing is shown (no session bus, no
// notification service), valid until the next call.
const char *Notify(uint32_t appID, const char *title, const char *text);

} // namespace notify
