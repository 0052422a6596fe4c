#pragma once

// How the host's dock shows the icon's surface: as a system tray icon where the desktop has a tray,
// otherwise as a small frameless window in the screen's bottom right corner. Both live on the GUI thread.

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace tavrin::qt {

class DockView {
public:
    virtual ~DockView() = default;
    // A new picture or tooltip; called only when one of them has changed.
    virtual void showFrame(const QImage &frame, const QString &toolTip) = 0;
};

// The tray icon (a child of `owner`, named "TavrinTrayIcon") or the docklet window (named
// "TavrinDocklet"); `onClick` runs on the GUI thread for each click.
std::unique_ptr<DockView> MakeDockView(QObject *owner, std::function<void()> onClick);

} // namespace tavrin::qt
