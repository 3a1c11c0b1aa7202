#include "pdf/lzw.h"

#include <stdexcept>

#include "pdf/pdf_filters.h"

namespace foldant {

int TPDFLZWDecompressor::ReadCode() {
    if (bytePos_ + 2 >= input_.size()) {
        return kEndCode;
    }
    const auto byte = [this](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(input_[i]));
    };
    const uint32_t window = byte(bytePos_) << 16 | byte(bytePos_ + 1) << 8 | byte(bytePos_ + 2);
    const int code = static_cast<int>((window >> (24 - bitPos_ - width_)) & ((1u << width_) - 1));
    bitPos_ += width_;
    bytePos_ += static_cast<size_t>(bitPos_ / 8);
    bitPos_ %= 8;
    return code;
}

void TPDFLZWDecompressor::Emit(const std::string& entry) {
    if (output_.size() + entry.size() > kMaxDecodedSize) {
        throw std::length_error("decoded data too large");
    }
    output_ += entry;
}

std::string TPDFLZWDecompressor::Decode(const std::string& bytes) {
    input_ = bytes;
    input_.append(3, '\0');
    for (int i = 0; i < 256; ++i) {
        table_[static_cast<size_t>(i)] = std::string(1, static_cast<char>(i));
    }
    growthCode_ = GrowthCode();
    try {
        int code = ReadCode();
        if (code == kClearCode) {
            code = ReadCode();
        }
        if (code != kEndCode) {
            Emit(table_[static_cast<size_t>(code)]);
        }
        int previous = code;
        while (code != kEndCode) {
            code = ReadCode();
            if (code == kEndCode) {
                break;
            }
            if (code == kClearCode) {
                width_ = kInitialWidth;
                nextCode_ = 257;
                growthCode_ = GrowthCode();
                continue;
            }
            const std::string& before = table_[static_cast<size_t>(previous)];
            if (code < nextCode_) {
                const std::string& entry = table_[static_cast<size_t>(code)];
                Emit(entry);
                if (!entry.empty()) {
                    table_[static_cast<size_t>(nextCode_)] = before + entry[0];
                }
            } else {
                std::string entry = before;
                if (!before.empty()) {
                    entry += before[0];
                }
                Emit(entry);
                table_[static_cast<size_t>(nextCode_)] = std::move(entry);
            }
            if (nextCode_ == growthCode_ && width_ < 12) {
                ++width_;
                growthCode_ = GrowthCode();
            }
            if (nextCode_ < kTableSize - 1) {
                ++nextCode_;
            }
            previous = code;
        }
    } catch (const std::length_error&) {
    }
    return std::move(output_);
}

std::string LZWDecode(const std::string& bytes, const TPDFLZWParms* parms, bool earlyChange) {
    std::string data = TPDFLZWDecompressor(earlyChange).Decode(bytes);
    if (parms == nullptr || parms->Predictor != 2) {
        return data;
    }
    const int64_t rowLength = int64_t{parms->Columns} * parms->Colors;
    if (parms->Columns < 1 || parms->Colors < 1 || rowLength > static_cast<int64_t>(data.size())) {
        return data;
    }
    const auto row = static_cast<size_t>(rowLength);
    const auto colors = static_cast<size_t>(parms->Colors);
    for (size_t start = 0; start + row <= data.size(); start += row) {
        for (size_t x = colors; x < row; ++x) {
            data[start + x] = static_cast<char>(data[start + x] + data[start + x - colors]);
        }
    }
    return data;
}

}  // namespace foldant
