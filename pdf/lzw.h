#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace foldant {

// Decodes LZW data with codes of 9 to 12 bits, most significant bit first.
class TPDFLZWDecompressor {
  public:
    explicit TPDFLZWDecompressor(bool earlyChange) : earlyChange_(earlyChange) {}
    std::string Decode(const std::string& bytes);

  private:
    static constexpr int kInitialWidth = 9;
    static constexpr int kClearCode = 256;
    static constexpr int kEndCode = 257;
    static constexpr int kTableSize = 4096;

    int ReadCode();
    int GrowthCode() const { return (1 << width_) - (earlyChange_ ? 2 : 1); }
    void Emit(const std::string& entry);

    bool earlyChange_;
    int width_ = kInitialWidth;
    std::string input_;
    size_t bytePos_ = 0;
    int bitPos_ = 0;
    int nextCode_ = 258;
    int growthCode_ = 0;
    std::string output_;
    std::array<std::string, kTableSize> table_;
};

}  // namespace foldant
