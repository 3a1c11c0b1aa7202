#include "script/script_datetime.h"

#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>
#include <vector>

#include "script/script_text.h"

namespace foldant {
namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
    "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
constexpr std::array<const char*, 7> kDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                                  "Donnerstag", "Freitag", "Samstag"};

// Days from 1 March of year 0 style arithmetic, shifted so that 30 December 1899 is day 0.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp + (mp < 10 ? 3 : -9);
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// Dates beyond the years 1 to 9999 have no text form; clamping keeps the arithmetic sound.
double ClampDate(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    return std::fmax(-693593.0, std::fmin(2958465.99999, value));
}

int64_t WholeMilliseconds(double value) {
    double fraction = std::fabs(value - std::trunc(value));
    auto ms = static_cast<int64_t>(std::llround(fraction * 86400000.0));
    return ms >= 86400000 ? 86399999 : ms;
}

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string Padded(int value, size_t width) {
    std::string text = std::to_string(value);
    while (text.size() < width) {
        text = "0" + text;
    }
    return text;
}

size_t RunLength(std::string_view format, size_t pos) {
    char c = AsciiLowerCase(format.substr(pos, 1))[0];
    size_t end = pos;
    while (end < format.size() && AsciiLowerCase(format.substr(end, 1))[0] == c) {
        ++end;
    }
    return end - pos;
}

// Splits "12.5.2026" or "12:30:05" into its numbers; nothing when something else stands there.
std::optional<std::vector<int64_t>> SplitNumbers(std::string_view text, char separator) {
    std::vector<int64_t> numbers;
    std::string current;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            auto number = ParseInteger(current);
            if (!number || current.empty()) {
                return std::nullopt;
            }
            numbers.push_back(*number);
            current.clear();
        } else if (text[i] >= '0' && text[i] <= '9') {
            current += text[i];
        } else {
            return std::nullopt;
        }
    }
    return numbers;
}

}  // namespace

bool IsLeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int64_t month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

std::optional<double> TryEncodeDate(int64_t year, int64_t month, int64_t day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset);
}

std::optional<double> TryEncodeTime(int64_t hour, int64_t minute, int64_t second,
                                    int64_t millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999) {
        return std::nullopt;
    }
    return static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
           86400000.0;
}

CivilDate DecodeDate(double value) {
    value = ClampDate(value);
    return CivilFromDays(static_cast<int64_t>(std::trunc(value)) + kEpochOffset);
}

ClockTime DecodeTime(double value) {
    int64_t ms = WholeMilliseconds(ClampDate(value));
    return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

int DayOfWeek(double value) {
    int64_t days = static_cast<int64_t>(std::trunc(ClampDate(value)));
    // Day 0 was a Saturday.
    int64_t index = ((days + 6) % 7 + 7) % 7;
    return static_cast<int>(index) + 1;
}

double CurrentDateTime() {
    static std::mutex guard;
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
    {
        std::lock_guard lock(guard);
        local = *std::localtime(&seconds);
    }
    double date = *TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    double time = *TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                                 ms.count());
    return date + time;
}

std::string FormatDateTimeText(std::string_view format, double value) {
    CivilDate date = DecodeDate(value);
    ClockTime time = DecodeTime(value);
    std::string out;
    bool lastWasHour = false;
    size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos];
        char lower = AsciiLowerCase(std::string_view(&c, 1))[0];
        if (c == '"' || c == '\'') {
            size_t end = format.find(c, pos + 1);
            if (end == std::string_view::npos) {
                end = format.size();
            }
            out.append(format.substr(pos + 1, end - pos - 1));
            pos = end + 1;
            continue;
        }
        size_t run = RunLength(format, pos);
        switch (lower) {
            case 'd':
                if (run == 1) {
                    out += std::to_string(date.day);
                } else if (run == 2) {
                    out += TwoDigits(date.day);
                } else if (run == 3) {
                    out += std::string(kDayNames[static_cast<size_t>(DayOfWeek(value) - 1)], 2);
                } else if (run == 4) {
                    out += kDayNames[static_cast<size_t>(DayOfWeek(value) - 1)];
                } else if (run == 5) {
                    out += DateToText(value);
                } else {
                    out += DateToText(value);
                }
                break;
            case 'm':
                if (lastWasHour && run <= 2) {
                    out += run == 1 ? std::to_string(time.minute) : TwoDigits(time.minute);
                } else if (run == 1) {
                    out += std::to_string(date.month);
                } else if (run == 2) {
                    out += TwoDigits(date.month);
                } else if (run == 3) {
                    out += std::string(kMonthNames[static_cast<size_t>(date.month - 1)], 3);
                } else {
                    out += kMonthNames[static_cast<size_t>(date.month - 1)];
                }
                break;
            case 'y':
                out += run <= 2 ? TwoDigits(date.year % 100) : Padded(date.year, 4);
                break;
            case 'h':
                out += run == 1 ? std::to_string(time.hour) : TwoDigits(time.hour);
                break;
            case 'n':
                out += run == 1 ? std::to_string(time.minute) : TwoDigits(time.minute);
                break;
            case 's':
                out += run == 1 ? std::to_string(time.second) : TwoDigits(time.second);
                break;
            case 'z':
                out += run == 1 ? std::to_string(time.millisecond) : Padded(time.millisecond, 3);
                break;
            case 't':
                out += run == 1 ? FormatDateTimeText("hh:nn", value) : TimeToText(value);
                break;
            case 'c':
                out += DateTimeToText(value);
                break;
            case '/':
                out += '.';
                break;
            default:
                out.append(format.substr(pos, run));
                break;
        }
        if (lower == 'h') {
            lastWasHour = true;
        } else if (lower != ' ' && lower != ':') {
            lastWasHour = false;
        }
        pos += run;
    }
    return out;
}

std::string DateToText(double value) {
    return FormatDateTimeText("dd.mm.yyyy", value);
}

std::string TimeToText(double value) {
    return FormatDateTimeText("hh:nn:ss", value);
}

std::string DateTimeToText(double value) {
    if (WholeMilliseconds(ClampDate(value)) == 0) {
        return DateToText(value);
    }
    return DateToText(value) + " " + TimeToText(value);
}

std::optional<double> TextToDate(std::string_view text) {
    auto numbers = SplitNumbers(TrimText(text), '.');
    if (!numbers || numbers->size() < 2 || numbers->size() > 3) {
        return std::nullopt;
    }
    int64_t year = numbers->size() == 3 ? (*numbers)[2] : DecodeDate(CurrentDateTime()).year;
    if (numbers->size() == 3 && year < 100) {
        year += year < 50 ? 2000 : 1900;
    }
    return TryEncodeDate(year, (*numbers)[1], (*numbers)[0]);
}

std::optional<double> TextToTime(std::string_view text) {
    auto numbers = SplitNumbers(TrimText(text), ':');
    if (!numbers || numbers->size() < 2 || numbers->size() > 3) {
        return std::nullopt;
    }
    return TryEncodeTime((*numbers)[0], (*numbers)[1], numbers->size() == 3 ? (*numbers)[2] : 0, 0);
}

std::optional<double> TextToDateTime(std::string_view text) {
    std::string trimmed = TrimText(text);
    size_t blank = trimmed.find(' ');
    if (blank == std::string::npos) {
        return TextToDate(trimmed);
    }
    auto date = TextToDate(trimmed.substr(0, blank));
    auto time = TextToTime(trimmed.substr(blank + 1));
    if (!date || !time) {
        return std::nullopt;
    }
    return *date + *time;
}

}  // namespace foldant
