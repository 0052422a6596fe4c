#pragma once

#include <QString>

namespace qt_icon {

// Gives every window of the program the icon that the desktop entry names ("tavrin"), unless a
// window sets its own; also names the desktop entry for the desktop's task list.
void Install();

// A file of the program's icon, for those who take a file (notifications); empty when there is none.
QString IconFile();

} // namespace qt_icon
