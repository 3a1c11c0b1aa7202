#include <algorithm>
#include <cstdlib>
#include <vector>

#include "pdf/pdf_filters.h"

namespace foldant {

namespace {

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

void UndoPngRow(uint8_t type, uint8_t* row, const uint8_t* above, size_t length, size_t bpp) {
    for (size_t x = 0; x < length; ++x) {
        const int left = x >= bpp ? row[x - bpp] : 0;
        const int up = above != nullptr ? above[x] : 0;
        const int upperLeft = above != nullptr && x >= bpp ? above[x - bpp] : 0;
        int add = 0;
        switch (type) {
            case 1:
                add = left;
                break;
            case 2:
                add = up;
                break;
            case 3:
                add = (left + up) / 2;
                break;
            case 4:
                add = Paeth(left, up, upperLeft);
                break;
            default:
                return;
        }
        row[x] = static_cast<uint8_t>(row[x] + add);
    }
}

void UndoTiffRow(uint8_t* row, size_t length, const TPDFFlateParms& parms) {
    const int bits = parms.BitsPerComponent;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
        std::fill(row, row + length, 0);
        return;
    }
    // Rows of more components per pixel than this are left as they are.
    if (parms.Colors > 25) {
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    std::vector<unsigned> previous(static_cast<size_t>(parms.Colors), 0);
    const int64_t components = int64_t{parms.Colors} * parms.Columns;
    for (int64_t i = 0; i < components; ++i) {
        const int64_t bit = i * bits;
        const auto byte = static_cast<size_t>(bit / 8);
        if (byte >= length) {
            break;
        }
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        unsigned& before = previous[static_cast<size_t>(i % parms.Colors)];
        const unsigned value = ((row[byte] >> shift) & mask) + before;
        before = value & mask;
        row[byte] = static_cast<uint8_t>((row[byte] & ~(mask << shift)) | (before << shift));
    }
}

}  // namespace

std::string UndoPredictor(const std::string& data, const TPDFFlateParms& parms) {
    if (parms.Colors < 1 || parms.BitsPerComponent < 1 || parms.Columns < 1) {
        return data;
    }
    const bool png = parms.Predictor >= 10;
    const int64_t bitsPerPixel = int64_t{parms.BitsPerComponent} * parms.Colors;
    const auto maxBits = static_cast<int64_t>(kMaxDecodedSize) * 8;
    if (bitsPerPixel > maxBits / parms.Columns) {
        return {};
    }
    const int64_t rowLength = (bitsPerPixel * parms.Columns + 7) / 8;
    size_t bpp = static_cast<size_t>(std::max<int64_t>(1, bitsPerPixel / 8));
    if (png && parms.BitsPerComponent == 4 && parms.Colors == 3) {
        bpp = 2;
    }
    const size_t rowSize = static_cast<size_t>(rowLength);
    const size_t stored = rowSize + (png ? 1 : 0);
    const size_t rows = (data.size() + stored - 1) / stored;
    if (rows > kMaxDecodedSize / rowSize) {
        return {};
    }
    std::string out(rows * rowSize, '\0');
    auto* bytes = reinterpret_cast<uint8_t*>(out.data());
    for (size_t r = 0; r < rows; ++r) {
        const size_t from = r * stored + (png ? 1 : 0);
        if (from < data.size()) {
            data.copy(out.data() + r * rowSize, std::min(rowSize, data.size() - from), from);
        }
        uint8_t* row = bytes + r * rowSize;
        if (png) {
            const auto type = static_cast<uint8_t>(data[r * stored]);
            UndoPngRow(type, row, r > 0 ? row - rowSize : nullptr, rowSize, bpp);
        } else if (parms.Predictor == 2) {
            UndoTiffRow(row, rowSize, parms);
        }
    }
    return out;
}

}  // namespace foldant
