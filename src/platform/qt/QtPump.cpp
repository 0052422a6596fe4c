#include "platform/qt/QtPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include "platform/host.h"

namespace {

QAbstractEventDispatcher *gDispatcher = nullptr;

// Runs Qt until an event arrives; exec::Signal wakes the dispatcher from any thread.
void Pump(int)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void Wake()
{
    if (gDispatcher)
        gDispatcher->wakeUp();
}

} // namespace

namespace qt_pump {

void Install()
{
    gDispatcher = QAbstractEventDispatcher::instance();
    exec_host::SetEventPump(Pump, Wake);
}

} // namespace qt_pump
