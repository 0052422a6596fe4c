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

// Notifications on a private session bus, with a notification service on a thread and bus
// connection of its own that records what it is asked to show.

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

TEST(QtNotify, OneNotifyCallPerNotificationAndNoFailureWithoutABus)
{
    int argc = 1;
    char name[] = "QtNotifyTest", *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    testplat::Devices devices;
    testplat::WriteFile(devices.progdir() + "Tavrin.png", "png");
    const std::string icon = "file://" + devices.progdir() + "Tavrin.png";
    const struct {
        bool bus, service;
        const char *result; // how the result begins; null: shown
    } kCases[] = {{true, true, nullptr}, {true, false, "no notification service"}, {false, false, "no session bus"}};
    for (const auto &c : kCases) {
        testplat::TempDir dir;
        testplat::WriteFile(dir.file("bus.conf"),
            "<busconfig><type>session</type><listen>unix:path=" + dir.file("bus") + "</listen><policy context="
                + "\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                + "</policy></busconfig>");
        QProcess daemon;
        daemon.start("dbus-daemon", {"--config-file", dir.file("bus.conf").c_str(), "--nofork", "--print-address"});
        ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        FakeNotifications fake;
        QThread thread;
        fake.moveToThread(&thread);
        std::atomic<bool> ready {!c.service};
        QObject::connect(&thread, &QThread::started, &fake, [&] {
            QDBusConnection bus = QDBusConnection::connectToBus(address, "fake-service");
            bus.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots);
            bus.registerService("org.freedesktop.Notifications");
            ready = true;
        });
        if (c.service)
            thread.start();
        while (!ready)
            QThread::yieldCurrentThread();
        setenv("DBUS_SESSION_BUS_ADDRESS", c.bus ? address.toUtf8().constData() : "unix:path=/nonexistent/bus", 1);

        const char *result = notify::Notify(1, "Kestrel Review News Ticker", "Neue deutsche News liegen vor !");
        const std::string got = result ? result : "(shown)";
        EXPECT_EQ(got.rfind(c.result ? c.result : "(shown)", 0), 0u) << got;
        QDBusConnection::disconnectFromBus("fake-service");
        thread.quit();
        thread.wait();
        EXPECT_EQ(fake.calls.size(), c.service ? 1u : 0u);
        if (c.service) {
            EXPECT_EQ(fake.calls[0],
                "Tavrin | 0 | " + icon + " | Kestrel Review News Ticker | "
                    + "Neue deutsche News liegen vor ! | 0 | -1");
        }
        daemon.terminate();
        daemon.waitForFinished();
    }
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

#include "QtNotifyTest.moc"
