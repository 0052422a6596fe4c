#pragma once

// The test host's list browser nodes: counted, and able to fail on demand.

#include <cstddef>

#include "platform/gui.h"

namespace fake {

// The next AllocListBrowserNode returns null, as when memory has run out (false takes it back).
void FailNextListNodeAlloc(bool fail = true);
// Nodes made and not yet freed.
size_t LiveListNodes();

} // namespace fake
