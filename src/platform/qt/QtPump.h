#pragma once

namespace qt_pump {

// Lets exec::Wait on the main thread run Qt's event loop, so windows repaint while the task waits.
void Install();

} // namespace qt_pump
