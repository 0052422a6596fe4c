#pragma once

// Session buses, each on a private socket in a temporary directory:
//  - Silent: takes connections (in the listen queue) and never answers, as a stopped dbus-daemon does;
//  - NoHello: accepts the authentication but never answers Hello;
//  - Working: a real dbus-daemon.
// The servers go with the object.

#include <atomic>
#include <string>
#include <sys/types.h>
#include <thread>

#include "platform/TestPlatform.h"

namespace testplat {

class StuckBus {
public:
    enum class Mode { Silent, NoHello, Working };

    explicit StuckBus(Mode mode);
    ~StuckBus();
    StuckBus(const StuckBus &) = delete;
    StuckBus &operator=(const StuckBus &) = delete;

    // For DBUS_SESSION_BUS_ADDRESS; empty when the daemon could not be started.
    const std::string &address() const { return m_address; }

private:
    void AnswerOnlyTheAuthentication();

    TempDir m_dir;
    std::string m_address;
    int m_listener = -1;
    pid_t m_daemon = -1;
    std::atomic<bool> m_stop {false};
    std::thread m_thread;
};

} // namespace testplat
