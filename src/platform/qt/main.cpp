#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

#include "Tavrin.h"
#include "platform/gui.h"
#include "platform/host.h"
#include "platform/icon.h"
#include "platform/posix/SessionBus.h"
#include "platform/posix/Signals.h"
#include "platform/qt/QtAppIcon.h"
#include "platform/qt/QtDock.h"
#include "platform/qt/QtPump.h"

// Qt aborts when the X server that DISPLAY names does not answer: such a display counts as none.
// The caller holds the probe's connection until Qt has its own, since a server that resets when its
// last client leaves (a bare Xvfb) refuses connections meanwhile.
static bool XServerAnswers(xcb_connection_t **probe)
{
    *probe = xcb_connect(nullptr, nullptr);
    return !xcb_connection_has_error(*probe);
}

static bool HaveDisplay(xcb_connection_t **probe)
{
    for (const char *var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = getenv(var);
        if (value && *value && (strcmp(var, "DISPLAY") != 0 || XServerAnswers(probe)))
            return true;
    }
    return false;
}

// Qt (and Xlib beneath it) end the program with exit(1) when the X server goes away, from the middle of
// the event loop: the dock's thread and Qt's objects are still alive, and the exit handlers would tear
// down what they use. Such an exit ends the process at once; the program's own end returns from main.
static std::atomic<bool> gReturning {false};

static void EndAtOnceUnlessReturning()
{
    if (gReturning.load())
        return;
    fflush(stdout);
    _exit(1);
}

static int Run(int argc, char **argv)
{
    if (argc >= 2 && strcmp(argv[1], "--workbench") == 0) {
        icon::WBStartup wbs {"Tavrin", argv + 2};
        return TavrinMain(0, reinterpret_cast<char **>(&wbs));
    }
    return TavrinMain(argc, argv);
}

// `tavrin --workbench [TOOLTYPE ...]` is a Workbench start; anything else is a Shell start.
int main(int argc, char **argv)
{
    // First, so that a quit that comes while Qt starts is a quit too, not the default end.
    posix_signals::Install(exec::FindTask(nullptr));
    // Before Qt, whose accessibility bridge, tray and menus would each wait on a mute bus for long.
    session_bus::Probe();
    std::unique_ptr<QApplication> app;
    xcb_connection_t *probe = nullptr;
    if (HaveDisplay(&probe)) {
        app = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setApplicationName("Tavrin");
        qt_pump::Install();
        qt_icon::Install();
        net_host::SetIdleHook(gui::KeepAlive);
        tavrin::qt::InstallDock();
        // Registered after Qt's own exit handlers, so it runs before them.
        std::atexit(EndAtOnceUnlessReturning);
    }
    if (probe)
        xcb_disconnect(probe);
    // Goes before the application does: nothing may wake Qt's event loop once it is destroyed.
    struct SignalsStopper {
        ~SignalsStopper()
        {
            posix_signals::Stop();
            exec_host::SetEventPump(nullptr, nullptr);
        }
    } stopSignals;
    const int rc = Run(argc, argv);
    gReturning = true;
    return rc;
}
