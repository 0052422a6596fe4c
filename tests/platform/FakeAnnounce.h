#pragma once

// The test host's sound and notifications. Both write into one timeline together with the requesters
// shown, so that a test sees the order of an announcement's parts.

#include <string>
#include <vector>

namespace fakeannounce {

// Since the last Reset, in order: "play <name>", "end <name>", "dispose <name>" for sounds,
// "notify <title> | <text>" for notifications, "requester <body>" for requesters.
const std::vector<std::string> &Log();

// A sound loads when its file exists. It ends when the program's task waits for it; with
// `noOutput` there is no output device and it ends at once.
void SetNoOutput(bool noOutput);
// With a reason, notifications are not shown and Notify returns it.
void SetNotifyFailure(const char *reason);

// Forgets the timeline and the switches; call after testplat::Reset.
void Reset();

} // namespace fakeannounce
