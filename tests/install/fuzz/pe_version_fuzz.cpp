#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../pe_fixture.h"
#include "platform/pe_version.h"

// Each input is tried as a whole file, and also as damage laid over a well-formed image, so the
// search reaches the resource tree and the version blocks without a seed corpus.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    foldant::platform::FileVersionTextOfImage(input);

    static const std::string image = [] {
        foldant::testing::VersionFixture fixture;
        fixture.fileVersion = u"6.00.12.538";
        return foldant::testing::BuildPeImage(fixture);
    }();
    std::string damaged = image;
    for (size_t i = 0; i + 2 < size; i += 3) {
        size_t at = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) % damaged.size();
        damaged[at] = static_cast<char>(data[i + 2]);
    }
    if (size % 7 == 1) {
        damaged.resize(size % damaged.size());
    }
    foldant::platform::FileVersionTextOfImage(damaged);
    return 0;
}
