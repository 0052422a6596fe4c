#include "platform/qt/QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <new>

#include "platform/dos.h"
#include "platform/host.h"
#include "platform/qt/QtWindowText.h"

namespace tavrin::qt {

namespace {

uint16_t QualifierOf(Qt::KeyboardModifiers modifiers)
{
    uint16_t qualifier = 0;
    if (modifiers & Qt::ShiftModifier)
        qualifier |= gui::IEQUALIFIER_LSHIFT;
    if (modifiers & Qt::ControlModifier)
        qualifier |= gui::IEQUALIFIER_CONTROL;
    if (modifiers & Qt::AltModifier)
        qualifier |= gui::IEQUALIFIER_LALT;
    if (modifiers & Qt::MetaModifier)
        qualifier |= gui::IEQUALIFIER_LCOMMAND;
    return qualifier;
}

// The raw key code of a Qt key, or RAWKEY_NONE. Shifted digits are the digit keys of the US layout.
uint32_t RawKeyCode(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return gui::RawKeyOf(static_cast<char>(key));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return gui::RAWKEY_F1 + static_cast<uint32_t>(key - Qt::Key_F1);
    static const char shiftedDigits[] = "!@#$%^&*()";
    for (int i = 0; i < 10; i++) {
        if (key == shiftedDigits[i])
            return gui::RawKeyOf("1234567890"[i]);
    }
    switch (key) {
    case Qt::Key_Space:
        return gui::RAWKEY_SPACE;
    case Qt::Key_Backspace:
        return gui::RAWKEY_BACKSPACE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return gui::RAWKEY_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return gui::RAWKEY_RETURN;
    case Qt::Key_Escape:
        return gui::RAWKEY_ESC;
    case Qt::Key_Delete:
        return gui::RAWKEY_DEL;
    case Qt::Key_Up:
        return gui::RAWKEY_CRSRUP;
    case Qt::Key_Down:
        return gui::RAWKEY_CRSRDOWN;
    case Qt::Key_Right:
        return gui::RAWKEY_CRSRRIGHT;
    case Qt::Key_Left:
        return gui::RAWKEY_CRSRLEFT;
    default:
        return gui::RAWKEY_NONE;
    }
}

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

QString HostPath(const char *file)
{
    if (!file)
        return {};
    char resolved[4096];
    if (!dos::ResolvePath(file, resolved, sizeof(resolved)))
        return {};
    return QString::fromLocal8Bit(resolved);
}

} // namespace

class MainWindow final : public QMainWindow {
public:
    explicit MainWindow(WindowObject &owner)
        : m_owner(owner)
    {
    }

    // Keys are taken from the native window, before any widget sees them, so that every press is
    // reported once, whichever widget has the focus.
    void watchKeys()
    {
        QWindow *native = windowHandle();
        if (native && native != m_watched) {
            native->installEventFilter(this);
            m_watched = native;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_watched)
            return QMainWindow::eventFilter(watched, event);
        if (m_owner.busy() && IsUserInput(event->type()))
            return true;
        if (event->type() == QEvent::KeyPress && !m_owner.dialog())
            reportKey(*static_cast<QKeyEvent *>(event));
        return false;
    }

    void closeEvent(QCloseEvent *event) override
    {
        // The program decides whether the window goes away; a dialog has no close gadget to report.
        event->ignore();
        if (!m_owner.dialog())
            m_owner.post({gui::WMHI_CLOSEWINDOW});
    }

    void changeEvent(QEvent *event) override
    {
        QMainWindow::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange)
            m_owner.minimisedChanged(isMinimized());
    }

private:
    void reportKey(const QKeyEvent &key)
    {
        if (key.isAutoRepeat())
            return;
        const uint32_t code = RawKeyCode(key.key());
        if (code != gui::RAWKEY_NONE)
            m_owner.post({gui::WMHI_RAWKEY | code, QualifierOf(key.modifiers())});
    }

    WindowObject &m_owner;
    QPointer<QWindow> m_watched;
};

namespace {

void BuildMenu(QMainWindow &window, const gui::NewMenu *entries, InputQueue &queue)
{
    QMenu *menu = nullptr;
    uint32_t menuNumber = 0, itemNumber = 0;
    for (const gui::NewMenu *entry = entries; entry && entry->nm_Type != gui::NM_END; entry++) {
        if (entry->nm_Type == gui::NM_TITLE) {
            if (menu)
                menuNumber++;
            menu = window.menuBar()->addMenu(LiteralLabel(entry->nm_Label));
            itemNumber = 0;
            continue;
        }
        if (entry->nm_Type != gui::NM_ITEM || !menu)
            continue;
        QAction *action = menu->addAction(LiteralLabel(entry->nm_Label));
        const char *key = entry->nm_CommKey;
        if (key && key[0] > ' ' && static_cast<unsigned char>(key[0]) < 0x80)
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + QChar::fromLatin1(key[0]).toUpper()));
        const uint32_t number = gui::FULLMENUNUM(menuNumber, itemNumber, 31);
        QObject::connect(action, &QAction::triggered, [&queue, number] { queue.post({gui::WMHI_MENUPICK | number}); });
        itemNumber++;
    }
}

} // namespace

WindowObject::WindowObject(const gui::WindowSpec &desc, std::unique_ptr<gui::Object> layout, int32_t signalBit)
    : gui::Object(new MainWindow(*this))
    , m_layout(std::move(layout))
    , m_task(exec::FindTask(nullptr))
    , m_appPort(desc.appPort)
    , m_signalBit(signalBit)
    , m_iconifyGadget(desc.iconifyGadget)
    , m_dialog(desc.dialog)
    , m_left(desc.left)
    , m_top(desc.top)
    , m_width(desc.width)
    , m_height(desc.height)
{
    MainWindow *main = this->main();
    main->setWindowTitle(ProgramText(desc.title));
    main->setCentralWidget(m_layout->widget());
    AlignLabelColumns(main);
    BuildMenu(*main, desc.menu, *this);
    if (desc.screenTitle && *desc.screenTitle) {
        auto *version = new QLabel(ProgramText(desc.screenTitle));
        version->setEnabled(false);
        // Line the text up with the window's contents.
        version->setIndent(main->style()->pixelMetric(QStyle::PM_LayoutLeftMargin) - 2);
        main->statusBar()->addWidget(version);
    }
    const QString icon = HostPath(desc.iconFile);
    if (!icon.isEmpty() && QFileInfo::exists(icon))
        main->setWindowIcon(QIcon(icon));

    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
    if (m_iconifyGadget)
        flags |= Qt::WindowMinimizeButtonHint;
    if (m_dialog) {
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        main->setWindowModality(Qt::ApplicationModal);
        closeOnQuit();
    }
    main->setWindowFlags(flags);
    m_layout->setQueue(this);
}

// A dialog has no close gadget, but a quit from outside (log-out) must not wait for the user: it is
// reported as a close, once, since the quit stays pending for the rest of the run.
void WindowObject::closeOnQuit()
{
    auto *quit = new QSocketNotifier(exec_host::QuitFd(), QSocketNotifier::Read, main());
    QObject::connect(quit, &QSocketNotifier::activated, main(), [this, quit] {
        quit->setEnabled(false);
        post({gui::WMHI_CLOSEWINDOW});
    });
}

WindowObject::~WindowObject()
{
    m_queue.clear();
    m_layout.reset();
    exec::FreeSignal(m_signalBit);
}

QMainWindow *WindowObject::window() const
{
    return main();
}

MainWindow *WindowObject::main() const
{
    return static_cast<MainWindow *>(widget());
}

void WindowObject::post(const InputEvent &event)
{
    // What the user does while the program is busy is not for it.
    if (m_busy)
        return;
    m_queue.push_back(event);
    uint32_t sigs = sigMask();
    // The program waits on its application port while the window is not open.
    if (m_state != State::Open && m_appPort)
        sigs |= exec::PortSigMask(m_appPort);
    exec::Signal(m_task, sigs);
}

void WindowObject::minimisedChanged(bool minimised)
{
    if (minimised && m_state == State::Open && m_iconifyGadget)
        post({gui::WMHI_ICONIFY});
    else if (!minimised && m_state == State::Iconified)
        post({gui::WMHI_UNICONIFY});
}

void WindowObject::place()
{
    MainWindow *main = this->main();
    QScreen *screen = QGuiApplication::primaryScreen();
    const bool stored = m_left != 0 && m_top != 0;
    if (stored) {
        if (QScreen *at = QGuiApplication::screenAt(QPoint(m_left, m_top)))
            screen = at;
    }
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    // The frame is known once the native window exists (on some desktops only after it is shown).
    main->winId();
    const QRect inner = main->geometry(), outer = main->frameGeometry();
    const QSize frame(outer.width() - inner.width(), outer.height() - inner.height());

    // Never smaller than the layout needs, whatever was stored.
    QSize size = (stored ? QSize(m_width, m_height) : main->sizeHint()).expandedTo(main->minimumSizeHint());
    size = size.boundedTo(area.size() - frame);
    const QSize total = size + frame;
    const QPoint centred
        = area.topLeft() + QPoint((area.width() - total.width()) / 2, (area.height() - total.height()) / 2);
    QPoint at = stored ? QPoint(m_left, m_top) : centred;
    // On opening the window is pulled onto the screen, as a stored position may be from another monitor.
    at.setX(std::clamp(at.x(), area.left(), area.right() + 1 - total.width()));
    at.setY(std::clamp(at.y(), area.top(), area.bottom() + 1 - total.height()));
    main->resize(size);
    main->move(at);
}

gui::Window *WindowObject::open()
{
    MainWindow *main = this->main();
    if (!m_placed) {
        place();
        m_placed = true;
    }
    m_state = State::Open;
    if (main->isMinimized())
        main->showNormal();
    else
        main->show();
    main->raise();
    main->activateWindow();
    main->watchKeys();
    return &m_handle;
}

void WindowObject::close()
{
    m_state = State::Closed;
    window()->hide();
    m_queue.clear();
}

bool WindowObject::iconify()
{
    if (!m_iconifyGadget)
        return false;
    if (!m_placed) {
        place();
        m_placed = true;
    }
    m_state = State::Iconified;
    m_queue.clear();
    window()->showMinimized();
    main()->watchKeys();
    return true;
}

uint32_t WindowObject::handleInput()
{
    if (m_queue.empty())
        return gui::WMHI_LASTMSG;
    const InputEvent event = m_queue.front();
    m_queue.pop_front();
    m_qualifier = event.qualifier;
    if (event.source)
        event.source->delivered(event);
    return event.result;
}

void WindowObject::setBusy(bool busy)
{
    m_busy = busy;
    if (busy)
        window()->setCursor(Qt::WaitCursor);
    else
        window()->unsetCursor();
    // Show the pointer now: the program is about to block.
    gui::KeepAlive();
}

} // namespace tavrin::qt

namespace gui {

namespace {

tavrin::qt::WindowObject *AsWindow(Object *obj)
{
    return dynamic_cast<tavrin::qt::WindowObject *>(obj);
}

} // namespace

Object *NewWindowObject(const WindowSpec &desc)
{
    std::unique_ptr<Object> layout(desc.layout);
    if (!layout || !tavrin::qt::WidgetsAvailable())
        return nullptr;
    const int32_t bit = exec::AllocSignal();
    if (bit < 0)
        return nullptr;
    auto *win = new (std::nothrow) tavrin::qt::WindowObject(desc, std::move(layout), bit);
    if (!win)
        exec::FreeSignal(bit);
    return win;
}

Window *WM_OPEN(Object *win)
{
    auto *window = AsWindow(win);
    return window ? window->open() : nullptr;
}

void WM_CLOSE(Object *win)
{
    if (auto *window = AsWindow(win))
        window->close();
}

bool WM_ICONIFY(Object *win)
{
    auto *window = AsWindow(win);
    return window && window->iconify();
}

uint32_t WM_HANDLEINPUT(Object *win)
{
    auto *window = AsWindow(win);
    return window ? window->handleInput() : WMHI_LASTMSG;
}

uint32_t WindowSigMask(Object *win)
{
    auto *window = AsWindow(win);
    return window ? window->sigMask() : 0;
}

uint16_t WindowInputQualifier(Object *win)
{
    auto *window = AsWindow(win);
    return window ? window->qualifier() : 0;
}

void WindowToFront(Window *w)
{
    if (!w)
        return;
    QMainWindow *main = w->object->window();
    if (main->isMinimized())
        main->showNormal();
    main->raise();
}

void ActivateWindow(Window *w)
{
    if (w)
        w->object->window()->activateWindow();
}

void GetWindowBox(Window *w, int32_t *left, int32_t *top, int32_t *width, int32_t *height)
{
    if (!w)
        return;
    const QMainWindow *main = w->object->window();
    const QRect frame = main->frameGeometry();
    *left = frame.x();
    *top = frame.y();
    *width = main->width();
    *height = main->height();
}

void SetBusyPointer(Object *win, bool busy)
{
    if (auto *window = AsWindow(win))
        window->setBusy(busy);
}

void KeepAlive()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace gui
