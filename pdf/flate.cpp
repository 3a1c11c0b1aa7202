#include <zlib.h>

#include <algorithm>

#include "pdf/pdf_filters.h"

namespace foldant {

std::string FlateDecode(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return {};
    }
    const size_t step = std::max<size_t>(8192, (bytes.size() + 255) / 256 * 256);
    std::string out(step, '\0');
    size_t produced = 0;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(std::min<size_t>(bytes.size(), UINT32_MAX));
    bool failed = false;
    while (true) {
        if (produced == out.size()) {
            if (out.size() >= kMaxDecodedSize) {
                break;
            }
            out.resize(std::min(out.size() + step, kMaxDecodedSize));
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        z.avail_out = static_cast<uInt>(out.size() - produced);
        const uInt before = z.avail_out;
        const int result = inflate(&z, Z_NO_FLUSH);
        produced += before - z.avail_out;
        if (result == Z_STREAM_END || result == Z_NEED_DICT || result == Z_DATA_ERROR) {
            break;
        }
        if (result == Z_STREAM_ERROR || result == Z_MEM_ERROR) {
            failed = true;
            break;
        }
        // Output room left over means the input is used up (a truncated stream).
        if (z.avail_out != 0) {
            break;
        }
    }
    inflateEnd(&z);
    if (failed) {
        return {};
    }
    out.resize(produced);
    return out;
}

std::string FlateDecodeWithPredictor(const std::string& bytes, const TPDFFlateParms& parms) {
    return UndoPredictor(FlateDecode(bytes), parms);
}

std::string FlateEncode(const std::string& bytes) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    const size_t produced = out.size() - z.avail_out;
    deflateEnd(&z);
    if (result != Z_STREAM_END) {
        return {};
    }
    out.resize(produced);
    return out;
}

}  // namespace foldant
