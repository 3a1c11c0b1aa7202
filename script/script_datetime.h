#pragma once

// Date and time values of the dialect: a floating-point count of days since 30 December 1899,
// the fraction being the time of day. Text forms follow German conventions (day.month.year,
// 24-hour clock), the settings the module's users work with.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace foldant {

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

bool IsLeapYear(int64_t year);
int DaysInMonth(int64_t year, int64_t month);
std::optional<double> TryEncodeDate(int64_t year, int64_t month, int64_t day);
std::optional<double> TryEncodeTime(int64_t hour, int64_t minute, int64_t second,
                                    int64_t millisecond);
CivilDate DecodeDate(double value);
ClockTime DecodeTime(double value);
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(double value);

// The local date and time of this moment.
double CurrentDateTime();

std::string FormatDateTimeText(std::string_view format, double value);
std::string DateToText(double value);
std::string TimeToText(double value);
// The date, followed by the time when the value has one.
std::string DateTimeToText(double value);

std::optional<double> TextToDate(std::string_view text);
std::optional<double> TextToTime(std::string_view text);
std::optional<double> TextToDateTime(std::string_view text);

}  // namespace foldant
