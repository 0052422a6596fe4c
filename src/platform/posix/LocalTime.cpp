#include <ctime>

#include "platform/dos.h"

namespace dos {

// localtime_r reads the zone once; localtime would look at /etc/localtime again on every call when
// TZ is not set, a file system call for every entry of a feed.
bool LocalClock(int64_t seconds, ClockData *out)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm local;
    if (static_cast<int64_t>(t) != seconds || !localtime_r(&t, &local))
        return false;
    *out = {static_cast<uint16_t>(local.tm_sec), static_cast<uint16_t>(local.tm_min),
        static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_mday),
        static_cast<uint16_t>(local.tm_mon + 1), static_cast<uint16_t>(local.tm_year + 1900),
        static_cast<uint16_t>(local.tm_wday)};
    return true;
}

} // namespace dos
