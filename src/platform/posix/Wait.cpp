#include <cerrno>
#include <poll.h>

#include "platform/host.h"
#include "platform/posix/PosixDos.h"

namespace posix_dos {

Wait WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        pollfd p[2] = {{fd, events, 0}, {exec_host::QuitFd(), POLLIN, 0}};
        const int rc = poll(p, 2, left.count() > 60000 ? 60000 : static_cast<int>(left.count()));
        if (rc > 0)
            return p[1].revents ? Wait::Quit : Wait::Ready;
        if (rc < 0 && errno != EINTR)
            return Wait::Failed;
    }
}

} // namespace posix_dos
