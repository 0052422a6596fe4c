#pragma once

// The test host's pictures: every file that exists decodes to a 48×40 picture of colour 0 (tests that
// draw put bitmaps of their own into the picture slots). Without a screen LockPubScreen fails, as
// without a display; testplat::Reset gives the screen back.

namespace fakepic {

void SetScreenAvailable(bool available);

} // namespace fakepic
