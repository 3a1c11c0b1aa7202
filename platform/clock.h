#pragma once

#include <cstdint>

namespace foldant::platform {

// A moment of the local wall clock, in the fields a schedule looks at.
struct LocalTime {
    int year = 0;
    int month = 0;    // 1 to 12
    int day = 0;      // 1 to 31
    int hour = 0;     // 0 to 23
    int minute = 0;   // 0 to 59
    int second = 0;   // 0 to 60 (a leap second)
    int weekday = 0;  // 0 = Sunday to 6 = Saturday
};

LocalTime CurrentLocalTime();
// The milliseconds (0 to 999) of the wall clock's current second.
int MillisecondOfSecond();

// Milliseconds of a clock that never goes back, from an arbitrary start.
std::int64_t TickCount();

}  // namespace foldant::platform
