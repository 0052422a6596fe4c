#include "platform/qt/QtDockView.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>

namespace tavrin::qt {

namespace {

class TrayView final : public DockView {
public:
    TrayView(QObject *owner, std::function<void()> onClick)
        : m_tray(new QSystemTrayIcon(owner))
    {
        m_tray->setObjectName("TavrinTrayIcon");
        QObject::connect(
            m_tray, &QSystemTrayIcon::activated, m_tray, [onClick](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    onClick();
            });
    }
    ~TrayView() override { delete m_tray; }

    void showFrame(const QImage &frame, const QString &toolTip) override
    {
        m_tray->setIcon(QIcon(QPixmap::fromImage(frame)));
        m_tray->setToolTip(toolTip);
        m_tray->show();
    }

private:
    QSystemTrayIcon *m_tray;
};

// Without a tray: a window of the icon's size that stays on top and has no frame or taskbar entry.
class Docklet final : public QWidget, public DockView {
public:
    explicit Docklet(std::function<void()> onClick)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
        , m_onClick(std::move(onClick))
    {
        setObjectName("TavrinDocklet");
        setWindowTitle("Tavrin");
        // Qt shows tooltips only over the active window, and the docklet never becomes one.
        setAttribute(Qt::WA_AlwaysShowToolTips);
    }

    void showFrame(const QImage &frame, const QString &toolTip) override
    {
        m_frame = frame;
        setToolTip(toolTip);
        if (size() != frame.size() || !isVisible()) {
            setFixedSize(frame.size());
            QScreen *screen = QGuiApplication::primaryScreen();
            QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
            move(area.right() + 1 - width(), area.bottom() + 1 - height());
            show();
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_frame);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_onClick();
    }

private:
    std::function<void()> m_onClick;
    QImage m_frame;
};

} // namespace

std::unique_ptr<DockView> MakeDockView(QObject *owner, std::function<void()> onClick)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return std::make_unique<TrayView>(owner, std::move(onClick));
    return std::make_unique<Docklet>(std::move(onClick));
}

} // namespace tavrin::qt
