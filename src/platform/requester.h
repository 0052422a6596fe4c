#pragma once

// The modal message requester.

namespace requester {

struct Object;

// A requester with one button; null when none can be built (no display).
Object *NewRequester(const char *title, const char *body, const char *button);
// Shows it modally on the primary screen and returns the number of the pressed button.
int OpenRequester(Object *req);
void DisposeObject(Object *req);

} // namespace requester
