#pragma once

namespace qt_icon {

// Gives every window of the program the icon that the desktop entry names ("tavrin"), unless a
// window sets its own; also names the desktop entry for the desktop's task list.
void Install();

} // namespace qt_icon
