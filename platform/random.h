#pragma once

// Key material from the kernel's cryptographic random source.

#include <cstddef>
#include <cstdint>
#include <string>

namespace foldant::platform {

// Fills `buffer` with `count` random bytes; raises OsError when the random source fails.
void FillRandom(uint8_t* buffer, size_t count);

inline std::string RandomBytes(size_t count) {
    std::string bytes(count, '\0');
    FillRandom(reinterpret_cast<uint8_t*>(bytes.data()), count);
    return bytes;
}

}  // namespace foldant::platform
