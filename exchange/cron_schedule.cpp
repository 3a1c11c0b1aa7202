#include "exchange/cron_schedule.h"

#include <cstdlib>

namespace foldant {

namespace {

constexpr std::size_t kMaxScheduleLength = 255;
constexpr std::size_t kMaxFieldLength = 63;
constexpr std::uint64_t kEveryValue = ~std::uint64_t{0};
constexpr int kLastValue = 59;
// Far outside every range a field can use, and safe from overflow when a step is added.
constexpr long long kNumberLimit = 1'000'000'000;

struct Number {
    long long value = 0;
    bool readable = false;
};

// Leading spaces and a sign are allowed. A part that is empty or holds anything else than the
// number is unreadable and counts as the digits read before the first wrong character.
Number ReadNumber(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::size_t digitsStart = at;
    long long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (value < kNumberLimit) {
            value = value * 10 + (text[at] - '0');
        }
        ++at;
    }
    if (value > kNumberLimit) {
        value = kNumberLimit;
    }
    bool readable = at == text.size() && at > digitsStart;
    return Number{negative ? -value : value, readable};
}

// Cuts the text at the first separator: the part before it is answered, the rest (after the
// separator) stays in `text`. Without a separator the whole text is answered.
std::string CutAt(std::string& text, char separator) {
    auto at = text.find(separator);
    std::string head = text.substr(0, at);
    text = at == std::string::npos ? std::string() : text.substr(at + 1);
    return head;
}

}  // namespace

void TCronSchedule::ParseSchedule(const std::string& text) {
    std::string rest = text.substr(0, kMaxScheduleLength);
    sets_.fill(kEveryValue);
    for (int field = Seconds; field < FieldCount && !rest.empty(); ++field) {
        std::string fieldText = CutAt(rest, ' ').substr(0, kMaxFieldLength);
        ParseField(static_cast<Field>(field), fieldText);
    }
}

void TCronSchedule::ParseField(Field field, const std::string& text) {
    if (text.find('*') != std::string::npos) {
        sets_[field] = kEveryValue;
        return;
    }
    sets_[field] = 0;
    std::string rest = text;
    while (!rest.empty()) {
        std::string item = CutAt(rest, ',');
        if (!item.empty()) {
            ParseItem(sets_[field], item);
        }
    }
}

void TCronSchedule::ParseItem(std::uint64_t& set, const std::string& item) {
    std::string stepPart = item;
    std::string range = CutAt(stepPart, '+');
    std::string endPart = range;
    std::string startPart = CutAt(endPart, '-');

    long long step = ReadNumber(stepPart).value;
    Number end = ReadNumber(endPart);
    long long start = ReadNumber(startPart).value;
    long long last = end.value;
    if (!end.readable && step != 0) {
        last = kLastValue;
    }
    if (step == 0) {
        step = 1;
    }
    // A negative step would never reach the end; it is read as its size instead.
    step = std::llabs(step);
    for (long long value = start; value <= kLastValue;) {
        if (value >= 0) {
            set |= std::uint64_t{1} << value;
        }
        value += step;
        if (last < value) {
            break;
        }
    }
}

bool TCronSchedule::Contains(Field field, int value) const {
    return value >= 0 && value <= 63 && (sets_[field] >> value & 1) != 0;
}

bool TCronSchedule::Matches(const platform::LocalTime& time) const {
    return Contains(Seconds, time.second) && Contains(Minutes, time.minute) &&
           Contains(Hours, time.hour) && Contains(Days, time.day) && Contains(Months, time.month) &&
           Contains(Weekdays, time.weekday);
}

}  // namespace foldant
