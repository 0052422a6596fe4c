#pragma once

// Session buses that never answer, each on a private socket in a temporary directory:
//  - Silent: accepts and never answers the authentication;
//  - NoHello: accepts the authentication but never answers Hello;
//  - Stopped: a real dbus-daemon, stopped with SIGSTOP once it listens.
// Another mode, Working, is a real dbus-daemon that runs. The servers go with the object.

#include <atomic>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "platform/TestPlatform.h"

namespace testplat {

class StuckBus {
public:
    enum class Mode { Silent, NoHello, Stopped, Working };

    explicit StuckBus(Mode mode);
    ~StuckBus();
    StuckBus(const StuckBus &) = delete;
    StuckBus &operator=(const StuckBus &) = delete;

    // For DBUS_SESSION_BUS_ADDRESS; empty when the daemon could not be started.
    const std::string &address() const { return m_address; }

private:
    void Serve(bool answerAuth);

    TempDir m_dir;
    std::string m_address;
    int m_listener = -1;
    pid_t m_daemon = -1;
    std::atomic<bool> m_stop {false};
    std::thread m_thread;
};

} // namespace testplat
