#pragma once

// The test host's sound and notifications. A sound loads when its file exists and ends when the
// task waits for it. Sounds, notifications and the requesters shown meet in one timeline.

#include <string>
#include <vector>

namespace fakeannounce {

// Since the last Reset, in order: "play <name>", "end <name>", "dispose <name>",
// "notify <title> | <text>" and "requester <body>".
std::vector<std::string> Log();
void Reset();

} // namespace fakeannounce
