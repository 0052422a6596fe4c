#pragma once

// The host's dock. It plays the dock for the program's icon on a thread of its own and talks to the icon
// only through its docky interface: it clones the interface, asks the queries, announces the screen, the
// object number and an ARGB32 render destination of the size the icon asks for (at most 128×128), sends
// DOCKYSET_RedrawNow every frame delay and DOCKYSET_SelectChange (pressed, then released) for a click.
// What the icon drew is handed to the GUI thread only when it differs from what is shown.

#include <QImage>
#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/picture.h"
#include "platform/qt/QtDockView.h"

namespace exec {
struct Library;
struct Interface;
} // namespace exec

namespace tavrin::qt {

// The largest icon the dock draws, as a side in pixels.
constexpr int32_t kMaxIconSide = 128;

class DockHost final : public QObject {
    Q_OBJECT

public:
    // Made and destroyed on the GUI thread; the destructor stops the dock's thread, releases the icon
    // and removes what shows it.
    explicit DockHost(exec::Library *library);
    ~DockHost() override;

    // A click on the icon, from any thread.
    void click();

private:
    Q_INVOKABLE void present();
    void run();
    bool setUp();
    void redraw();

    exec::Library *m_library;
    gui::Screen *m_screen;
    std::unique_ptr<DockView> m_view;

    // The dock's thread alone.
    exec::Interface *m_icon = nullptr;
    std::string m_name;
    std::chrono::milliseconds m_period {1000};
    std::vector<uint32_t> m_surface;
    gui::RastPort m_rp {};
    std::vector<uint32_t> m_shown;
    std::string m_hint;

    // Requests to the dock's thread.
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_stop = false;
    int m_clicks = 0;

    // The latest picture and hint for the GUI thread, as plain copies: Qt's shared data would pass
    // between the threads behind reference counts that the thread checker cannot see.
    std::mutex m_frameMutex;
    std::vector<uint32_t> m_frame;
    std::string m_frameHint;
    bool m_presentPending = false;

    std::thread m_thread;
};

// Lets application::RegisterApplication show a dock icon through a DockHost.
void InstallDock();
// The dock of the current registration, or null.
DockHost *CurrentDock();

} // namespace tavrin::qt
