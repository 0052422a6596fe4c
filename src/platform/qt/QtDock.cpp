#include "platform/qt/QtDock.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/docky.h"
#include "platform/host.h"
#include "platform/library.h"
#include "platform/qt/QtWindowText.h"

namespace tavrin::qt {

namespace {

constexpr int32_t kDefaultIconSide = 48;
constexpr int32_t kMsPerTick = 20;

std::unique_ptr<DockHost> gDock;

int32_t IconSide(int32_t asked)
{
    return asked > 0 ? std::min(asked, kMaxIconSide) : kDefaultIconSide;
}

} // namespace

DockHost::DockHost(exec::Library *library)
    : m_library(library)
    , m_screen(picture::LockPubScreen(nullptr))
{
    m_thread = std::thread([this] { run(); });
}

DockHost::~DockHost()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_cond.notify_all();
    m_thread.join();
    m_view.reset();
    picture::UnlockPubScreen(nullptr, m_screen);
}

void DockHost::click()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_clicks++;
    }
    m_cond.notify_all();
}

// The dock's thread: redraws at the icon's frame delay and passes on clicks in between. A redraw that
// is late (the machine slept) is made once, not caught up.
void DockHost::run()
{
    if (!setUp())
        return;
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cond.wait_until(lock, next, [this] { return m_stop || m_clicks > 0; });
        if (m_stop)
            break;
        int clicks = std::exchange(m_clicks, 0);
        lock.unlock();
        for (; clicks > 0; clicks--) {
            docky::DockySet(m_icon, docky::DOCKYSET_SelectChange, 1);
            docky::DockySet(m_icon, docky::DOCKYSET_SelectChange, 0);
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= next) {
            redraw();
            next += m_period;
            if (next <= now)
                next = now + m_period; // late: the next redraw comes a period from now, not at once
        }
        lock.lock();
    }
    lock.unlock();
    docky::Release(m_icon);
}

bool DockHost::setUp()
{
    exec::Interface *docky = exec::GetInterface(m_library, "docky", 1);
    if (!docky) {
        std::fprintf(stderr, "Tavrin: the dock icon has no docky interface\n");
        return false;
    }
    m_icon = docky::Clone(docky);
    exec::DropInterface(docky);
    if (!m_icon) {
        std::fprintf(stderr, "Tavrin: the dock icon cannot be cloned\n");
        return false;
    }
    docky::Obtain(m_icon);

    const char *name = nullptr;
    uint32_t mode = 0;
    docky::DockySize size {};
    int32_t delay = 0;
    if (docky::DockyGet(m_icon, docky::DOCKYGET_Name, &name) && name)
        m_name = name;
    if (!docky::DockyGet(m_icon, docky::DOCKYGET_RenderMode, &mode) || mode != docky::DOCKYRENDERMODE_RP) {
        std::fprintf(stderr, "Tavrin: the dock icon does not draw into a surface\n");
        docky::Release(m_icon);
        return false;
    }
    docky::DockyGet(m_icon, docky::DOCKYGET_GetSize, &size);
    size = {IconSide(size.width), IconSide(size.height)};
    m_surface.assign(size_t(size.width) * size_t(size.height), 0);
    m_rp = {m_surface.data(), size.width, size.height, size.width * 4};

    docky::DockyObjectNr objectNr {1, 0, 1};
    docky::DockyRenderDestination destination {size, docky::DOCKYRENDERMODE_RP, {&m_rp}};
    docky::DockySet(m_icon, docky::DOCKYSET_Screen, reinterpret_cast<docky::MsgData>(m_screen));
    docky::DockySet(m_icon, docky::DOCKYSET_DockyChange, reinterpret_cast<docky::MsgData>(&objectNr));
    docky::DockySet(m_icon, docky::DOCKYSET_RenderDestination, reinterpret_cast<docky::MsgData>(&destination));
    if (docky::DockyGet(m_icon, docky::DOCKYGET_FrameDelay, &delay) && delay > 0)
        m_period = std::chrono::milliseconds(std::min(delay, 500) * kMsPerTick);
    return true;
}

void DockHost::redraw()
{
    docky::DockySet(m_icon, docky::DOCKYSET_RedrawNow, 0);
    const char *hint = nullptr;
    if (!docky::DockyGet(m_icon, docky::DOCKYGET_Hint, &hint) || !hint)
        hint = "";
    if (m_surface == m_shown && m_hint == hint)
        return;
    m_shown = m_surface;
    m_hint = hint;
    {
        std::lock_guard<std::mutex> lock(m_frameMutex);
        m_frame = m_shown;
        m_frameHint = m_hint;
        if (std::exchange(m_presentPending, true))
            return;
    }
    QMetaObject::invokeMethod(this, "present", Qt::QueuedConnection);
}

// The GUI thread: the view is made with the first picture, when the icon's size is known.
void DockHost::present()
{
    std::vector<uint32_t> pixels;
    std::string hint, name;
    int32_t width, height;
    {
        std::lock_guard<std::mutex> lock(m_frameMutex);
        pixels = m_frame;
        hint = m_frameHint;
        name = m_name;
        width = m_rp.width;
        height = m_rp.height;
        m_presentPending = false;
    }
    QImage frame(
        reinterpret_cast<const uchar *>(pixels.data()), width, height, width * 4, QImage::Format_ARGB32_Premultiplied);
    QString toolTip = ProgramText(name.c_str());
    if (!hint.empty())
        toolTip += ": " + ProgramText(hint.c_str());
    if (!m_view)
        m_view = MakeDockView(this, [this] { click(); });
    m_view->showFrame(frame.copy(), toolTip);
}

void InstallDock()
{
    application_host::SetDock(
        [](void *base) { gDock = std::make_unique<DockHost>(static_cast<exec::Library *>(base)); },
        [] { gDock.reset(); });
}

DockHost *CurrentDock()
{
    return gDock.get();
}

} // namespace tavrin::qt
