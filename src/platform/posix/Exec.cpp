#include "platform/exec.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

#include "platform/host.h"
#include "platform/posix/Knobs.h"

namespace {

// One signal word per task. The program has one task (the main thread); other threads that
// call FindTask(nullptr) get tasks of their own so that Wait never mixes them up.
struct TaskRec {
    std::mutex mutex;
    std::condition_variable cond;
    uint32_t sigs = 0;
    uint32_t allocated = 0x0000f000; // the break bits are never handed out
    std::thread::id thread;
};

std::atomic<exec_host::PumpFn> gPump {nullptr};
std::atomic<exec_host::WakeFn> gWake {nullptr};
std::atomic<uint32_t> gVersion {(54u << 16) | 16u};
const std::thread::id gMainThread = std::this_thread::get_id();
std::atomic<bool> gQuit {false};

TaskRec &MainTask()
{
    static TaskRec task;
    return task;
}

} // namespace

struct exec::Task : TaskRec { };

namespace exec {

Task *FindTask(const char *name)
{
    if (name)
        return nullptr;
    if (std::this_thread::get_id() == gMainThread)
        return static_cast<Task *>(&MainTask());
    thread_local Task own;
    return &own;
}

void Signal(Task *task, uint32_t sigs)
{
    if (!task)
        return;
    {
        // Notify under the lock: a waiter that wakes may end its thread, and its task with it.
        std::lock_guard<std::mutex> lock(task->mutex);
        task->sigs |= sigs;
        task->cond.notify_all();
    }
    if (task == &MainTask()) {
        if (auto wake = gWake.load())
            wake();
    }
}

uint32_t SetSignal(uint32_t newSigs, uint32_t mask)
{
    Task *task = FindTask(nullptr);
    std::lock_guard<std::mutex> lock(task->mutex);
    uint32_t old = task->sigs;
    task->sigs = (old & ~mask) | (newSigs & mask);
    return old;
}

static uint32_t TakeSignals(Task *task, uint32_t mask)
{
    uint32_t got = task->sigs & mask;
    task->sigs &= ~got;
    return got;
}

uint32_t Wait(uint32_t mask)
{
    Task *task = FindTask(nullptr);
    auto pump = gPump.load();
    if (pump && task == &MainTask()) {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(task->mutex);
                if (uint32_t got = TakeSignals(task, mask))
                    return got;
            }
            pump(100);
        }
    }
    std::unique_lock<std::mutex> lock(task->mutex);
    task->cond.wait(lock, [&] { return (task->sigs & mask) != 0; });
    return TakeSignals(task, mask);
}

int32_t AllocSignal()
{
    Task *task = FindTask(nullptr);
    std::lock_guard<std::mutex> lock(task->mutex);
    for (int32_t bit = 31; bit >= 0; bit--) {
        uint32_t m = 1u << bit;
        if (!(task->allocated & m) && !(bit >= 12 && bit <= 15)) {
            task->allocated |= m;
            task->sigs &= ~m;
            return bit;
        }
    }
    return -1;
}

void FreeSignal(int32_t bit)
{
    if (bit < 0 || bit > 31 || (bit >= 12 && bit <= 15))
        return;
    Task *task = FindTask(nullptr);
    std::lock_guard<std::mutex> lock(task->mutex);
    task->allocated &= ~(1u << bit);
}

uint16_t Version()
{
    return static_cast<uint16_t>(gVersion.load() >> 16);
}
uint16_t Revision()
{
    return static_cast<uint16_t>(gVersion.load() & 0xffff);
}

} // namespace exec

namespace exec_host {

void SetEventPump(PumpFn pump, WakeFn wake)
{
    gWake = wake;
    gPump = pump;
}

void SetVersion(uint16_t version, uint16_t revision)
{
    gVersion = (uint32_t(version) << 16) | revision;
}

void ResetSignals()
{
    TaskRec &task = MainTask();
    std::lock_guard<std::mutex> lock(task.mutex);
    task.sigs = 0;
    gQuit = false;
    uint64_t count;
    [[maybe_unused]] ssize_t n = read(QuitFd(), &count, sizeof count);
}

void RequestQuit()
{
    gQuit = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(QuitFd(), &one, sizeof one);
}

bool QuitPending()
{
    return gQuit.load();
}

int QuitFd()
{
    static const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

} // namespace exec_host
