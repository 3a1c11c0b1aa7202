#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace foldant {

// A six-field schedule: seconds, minutes, hours, days of the month, months, days of the week.
// Each field is a set of 64 bits; a value is present when its bit is set, and a value above 63
// never is. A new schedule is empty and matches nothing.
class TCronSchedule {
  public:
    enum Field { Seconds, Minutes, Hours, Days, Months, Weekdays, FieldCount };

    // Fields are separated by one space; a field is "*" (every value) or a list of items
    // "start-end+step" separated by ",". Missing trailing fields keep every value; an empty
    // field (two spaces in a row) keeps none. The text never fails to parse.
    void ParseSchedule(const std::string& text);
    bool Matches(const platform::LocalTime& time) const;

    bool Contains(Field field, int value) const;
    std::uint64_t Set(Field field) const { return sets_[field]; }

  private:
    void ParseField(Field field, const std::string& text);
    void ParseItem(std::uint64_t& set, const std::string& item);

    std::array<std::uint64_t, FieldCount> sets_{};
};

}  // namespace foldant
