#include "platform/clock.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

LocalTime CurrentLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear,   now.wMonth,  now.wDay,      now.wHour,
                     now.wMinute, now.wSecond, now.wDayOfWeek};
}

int MillisecondOfSecond() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now.wMilliseconds;
}

std::int64_t TickCount() {
    return static_cast<std::int64_t>(::GetTickCount64());
}

}  // namespace foldant::platform
