#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/StuckBus.h"
#include "platform/TestPlatform.h"
#include "platform/host.h"
#include "platform/notify.h"
#include "platform/posix/Knobs.h"
#include "platform/posix/SessionBus.h"

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

std::string Shown(const char *failure)
{
    return failure ? failure : "(shown)";
}

// A bus that does not answer within a second counts as none from then on; the probe before Qt says so
// to Qt as well, and keeps the address for the programs Tavrin starts. A bus that answers stays.
TEST(QtNotify, AStuckBusCountsAsNoneForTheRestOfTheRun)
{
    using Mode = testplat::StuckBus::Mode;
    const std::string mute = "no session bus (it does not answer)",
                      wasMute = "no session bus (it did not answer before)";
    const struct {
        Mode mode;
        bool probed; // by the probe at start, else by a first notification
        std::string first, next;
    } kCases[] = {
        {Mode::Silent, false, mute, wasMute},
        {Mode::NoHello, false, mute, wasMute},
        {Mode::Silent, true, mute, wasMute},
        {Mode::Working, true, "(answered)", "no notification service"},
    };
    for (const auto &c : kCases) {
        session_bus::Reset();
        testplat::StuckBus bus(c.mode);
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
        auto start = std::chrono::steady_clock::now();
        const std::string first
            = c.probed ? (session_bus::Probe() ? "(answered)" : mute) : Shown(notify::Notify(1, "Title", "Text"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(first, c.first) << int(c.mode);
        const bool disabled = c.probed && c.first == mute;
        EXPECT_STREQ(getenv("DBUS_SESSION_BUS_ADDRESS"), disabled ? "disabled:" : bus.address().c_str());
        std::vector<std::string> storage, child;
        std::vector<char *> env = session_bus::ChildEnvironment(&storage);
        for (char **var = env.data(); *var; var++)
            child.emplace_back(*var);
        EXPECT_EQ(std::count(child.begin(), child.end(), "DBUS_SESSION_BUS_ADDRESS=" + bus.address()), 1);
        start = std::chrono::steady_clock::now();
        EXPECT_EQ(Shown(notify::Notify(1, "Title", "Text")), c.next);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
    // A quit ends a wait on the bus at once, and none begins while it is pending.
    session_bus::Reset();
    testplat::StuckBus bus(Mode::Silent);
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    std::thread quit([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        exec_host::RequestQuit();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Shown(notify::Notify(1, "Title", "Text")), "no notification (quitting)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
    quit.join();
    exec_host::ResetSignals();
    session_bus::Reset();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

#include "QtNotifyTest.moc"
