#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/TestPlatform.h"
#include "platform/notify.h"

// Notifications on a session bus daemon of the test's own, with a notification service on a thread and
// bus connection of its own that records what it is asked to show.

namespace {

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    std::vector<std::string> calls; // read only after the thread has ended

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
        const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        calls.push_back(QStringList({app, QString::number(replaces), icon, summary, body,
                                        QString::number(actions.size() + hints.size()), QString::number(timeout)})
                            .join(" | ")
                            .toStdString());
        return 7;
    }
};

// The same bus without, then with a notification service: each notification connects afresh.
TEST(QtNotify, OneNotifyCallPerNotificationAndNoFailureWithoutABus)
{
    int argc = 1;
    char name[] = "QtNotifyTest", *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    testplat::Devices devices;
    testplat::WriteFile(devices.progdir() + "Tavrin.png", "png");
    QProcess daemon; // killed when it goes
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const std::string address = daemon.readLine().trimmed().toStdString();
    // What a notification on `bus` gives: how its failure begins, or "(shown)".
    const auto Notify = [](const std::string &bus) {
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        const char *result = notify::Notify(1, "Kestrel Review News Ticker", "Neue deutsche News liegen vor !");
        return std::string(result ? result : "(shown)");
    };
    EXPECT_EQ(Notify("unix:path=/nonexistent/bus").rfind("no session bus", 0), 0u);
    EXPECT_EQ(Notify(address).rfind("no notification service", 0), 0u);

    FakeNotifications fake;
    QThread thread;
    fake.moveToThread(&thread);
    std::atomic<bool> ready {false};
    QObject::connect(&thread, &QThread::started, &fake, [&] {
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address), "fake-service");
        bus.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots);
        bus.registerService("org.freedesktop.Notifications");
        ready = true;
    });
    thread.start();
    while (!ready)
        QThread::yieldCurrentThread();
    EXPECT_EQ(Notify(address), "(shown)");
    QDBusConnection::disconnectFromBus("fake-service");
    thread.quit();
    thread.wait();
    EXPECT_EQ(fake.calls,
        std::vector<std::string> {"Tavrin | 0 | file://" + devices.progdir()
            + "Tavrin.png | Kestrel Review News Ticker | Neue deutsche News liegen vor ! | 0 | -1"});
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

#include "QtNotifyTest.moc"
