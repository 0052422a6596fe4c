#include "platform/qt/QtPump.h"

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "platform/exec.h"

namespace {

int argc = 1;
char name[] = "QtPumpTest";
char *argv[] = {name, nullptr};

TEST(QtPump, WaitKeepsQtRunningAndWakesOnAnotherThreadsSignal)
{
    QApplication app(argc, argv);
    qt_pump::Install();
    exec::Task *task = exec::FindTask(nullptr);

    // A timer firing while the task waits proves that Qt's events are processed meanwhile.
    bool timerFired = false;
    QTimer::singleShot(10, [&] { timerFired = true; });
    std::atomic<bool> go {false};
    std::thread sender([&] {
        while (!go)
            std::this_thread::yield();
        exec::Signal(task, exec::SIGBREAKF_CTRL_E);
    });
    QTimer::singleShot(20, [&] { go = true; });

    uint32_t got = exec::Wait(exec::SIGBREAKF_CTRL_C | exec::SIGBREAKF_CTRL_E);
    sender.join();
    EXPECT_EQ(got, exec::SIGBREAKF_CTRL_E);
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(exec::SetSignal(0, 0) & exec::SIGBREAKF_CTRL_E, 0u); // taken by Wait
}

} // namespace
