#pragma once

// Random identifiers in place of the system's GUIDs: version 4 (random) identifiers drawn from
// the kernel's random source.

#include <array>
#include <cstdint>
#include <string>

namespace foldant::platform {

struct Guid {
    std::array<uint8_t, 16> bytes{};
};

// Raises OsError when the random source fails.
Guid NewGuid();

// The 36-character text form without braces: upper-case hexadecimal digits in groups of 8, 4, 4,
// 4 and 12 joined by hyphens, the bytes in their stored order.
std::string GuidText(const Guid& guid);

inline std::string NewGuidText() {
    return GuidText(NewGuid());
}

}  // namespace foldant::platform
