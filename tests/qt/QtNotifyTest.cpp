#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QThread>
#include <QVariantMap>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

#include "platform/TestPlatform.h"
#include "platform/notify.h"

// Notifications on a private session bus of the test's own, with a notification service on its own
// thread and connection that records what it is asked to show.

namespace {

int argc = 1;
char name[] = "QtNotifyTest";
char *argv[] = {name, nullptr};

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    std::vector<std::string> calls()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
        const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(QStringList({app, QString::number(replaces), icon.isEmpty() ? "-" : "icon", summary, body,
                                          QString::number(actions.size() + hints.size()), QString::number(timeout)})
                              .join(" | ")
                              .toStdString());
        return 7;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

// A dbus-daemon listening on `dir`/bus, and optionally the service registered on it.
class PrivateBus {
public:
    PrivateBus(const testplat::TempDir &dir, bool withService)
    {
        const std::string conf = dir.file("bus.conf");
        testplat::WriteFile(conf,
            "<busconfig><type>session</type><listen>unix:path=" + dir.file("bus")
                + "</listen><policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                  "<allow own=\"*\"/>"
                  "</policy></busconfig>\n");
        m_daemon.start("dbus-daemon", {"--config-file", QString::fromStdString(conf), "--nofork", "--print-address"});
        if (m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (!withService || m_address.isEmpty())
            return;
        m_fake.moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::started, &m_fake, [this] {
            QDBusConnection bus = QDBusConnection::connectToBus(m_address, "fake-service");
            bus.registerObject("/org/freedesktop/Notifications", &m_fake, QDBusConnection::ExportAllSlots);
            m_registered = bus.registerService("org.freedesktop.Notifications");
            m_ready = true;
        });
        m_thread.start();
        while (!m_ready)
            QThread::yieldCurrentThread();
    }
    ~PrivateBus()
    {
        if (m_thread.isRunning()) {
            QDBusConnection::disconnectFromBus("fake-service");
            m_thread.quit();
            m_thread.wait();
        }
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
    const QString &address() const { return m_address; }
    bool registered() const { return m_registered; }
    std::vector<std::string> calls() { return m_fake.calls(); }

private:
    QProcess m_daemon;
    QString m_address;
    QThread m_thread;
    FakeNotifications m_fake;
    std::atomic<bool> m_ready {false}, m_registered {false};
};

TEST(QtNotify, OneNotifyCallPerNotificationAndNoFailureWithoutABus)
{
    QCoreApplication app(argc, argv);
    testplat::Devices devices;
    testplat::WriteFile(devices.progdir() + "Tavrin.png", "png");
    const std::string shown
        = "Tavrin | 0 | icon | Kestrel Review News Ticker | Neue deutsche News liegen vor ! | 0 | -1";
    enum Address { Unset, Environment, RuntimeDir, Missing };
    const struct {
        const char *what;
        Address address;
        bool service;
        const char *result; // null: shown
    } kCases[] = {
        {"service on the bus", Environment, true, nullptr},
        {"bus found in the runtime directory", RuntimeDir, true, nullptr},
        {"no notification service", Environment, false, "no notification service"},
        {"no bus at all", Unset, false, "no session bus"},
        {"bus address without a bus", Missing, false, "no session bus ("},
    };
    for (const auto &c : kCases) {
        testplat::TempDir dir;
        PrivateBus bus(dir, c.service);
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_EQ(bus.registered(), c.service);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        setenv("XDG_RUNTIME_DIR", (c.address == RuntimeDir ? dir.path() : devices.ram()).c_str(), 1);
        if (c.address == Environment)
            setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
        if (c.address == Missing)
            setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir.file("nobus")).c_str(), 1);

        const char *result = notify::Notify(1, "Kestrel Review News Ticker", "Neue deutsche News liegen vor !");
        const std::string got = result ? result : "(shown)";
        EXPECT_EQ(got.rfind(c.result ? c.result : "(shown)", 0), 0u) << c.what << ": " << got;
        EXPECT_EQ(bus.calls(), c.service ? std::vector<std::string> {shown} : std::vector<std::string> {}) << c.what;
    }
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

#include "QtNotifyTest.moc"
