#pragma once

#include <cstdint>
#include <string_view>

namespace foldant {

// What a nine-character permission code asks of a merge job's result.
struct TPermissionRequest {
    static constexpr uint8_t kPrint = 1;
    static constexpr uint8_t kCopy = 2;
    static constexpr uint8_t kModify = 4;
    static constexpr uint8_t kAnnotate = 8;
    static constexpr uint8_t kFillIn = 1;
    static constexpr uint8_t kExtract = 2;
    static constexpr uint8_t kAssemble = 4;
    static constexpr uint8_t kPrintHighQuality = 8;
    // 40-bit and 128-bit RC4.
    static constexpr uint8_t kLevel40 = 0;
    static constexpr uint8_t kLevel128 = 1;

    bool EncryptResult = false;
    uint8_t PermissionFlags = 0;
    uint8_t ExtraFlags = 0;
    uint8_t Level = kLevel40;
};

// Positions 1-4 grant print, modify, copy and annotate, 5-8 (at 128 bits only) fill-in,
// extraction, assembly and high-quality printing, each by the character "1" alone; position 9
// is "0" for no encryption, "4" for 40 bits and anything else (a blank of a short code too)
// for 128 bits. Without encryption `request.Level` keeps the value it had.
void DecodePermissionCode(std::string_view code, TPermissionRequest& request);

}  // namespace foldant
