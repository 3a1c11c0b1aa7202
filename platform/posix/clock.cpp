#include "platform/clock.h"

#include <time.h>

namespace foldant::platform {

LocalTime CurrentLocalTime() {
    time_t now = ::time(nullptr);
    struct tm parts {};
    ::localtime_r(&now, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     parts.tm_wday};
}

int MillisecondOfSecond() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int>(now.tv_nsec / 1000000);
}

std::int64_t TickCount() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace foldant::platform
