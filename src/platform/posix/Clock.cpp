#include <cerrno>
#include <ctime>
#include <unistd.h>

#include "platform/dos.h"

namespace dos {

void Delay(uint32_t ticks)
{
    struct timespec ts {
        static_cast<time_t>(ticks / 50), static_cast<long>(ticks % 50) * 20000000L
    };
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) { }
}

// 2922 days lie between 1 January 1970 and 1 January 1978.
void DateStamp(Stamp *ds)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    long long secs = static_cast<long long>(now.tv_sec) + local.tm_gmtoff;
    long long days = secs / 86400 - 2922;
    long long rest = secs % 86400;
    ds->ds_Days = static_cast<int32_t>(days);
    ds->ds_Minute = static_cast<int32_t>(rest / 60);
    ds->ds_Tick = static_cast<int32_t>((rest % 60) * 50 + now.tv_nsec / 20000000L);
}

} // namespace dos
