#pragma once

// Builds small PE files with a version resource for the tests: a DOS header, the PE headers,
// one resource section with the three directory levels (type 16, name 1, one language) and a
// version block holding a string table and a translation entry.

#include <cstdint>
#include <string>
#include <vector>

namespace foldant::testing {

struct VersionFixture {
    std::u16string fileVersion = u"1.0.0.0";
    uint16_t language = 0x0409;
    uint16_t codePage = 0x04B0;
    bool withTranslation = true;
    bool withFileVersion = true;
    // The string table's name; empty: language and code page as upper-case hexadecimal.
    std::u16string tableName;
    bool pe32Plus = false;
};

std::string BuildVersionResource(const VersionFixture& fixture);
std::string BuildPeImage(const VersionFixture& fixture);

// Offsets into an image built by BuildPeImage, for tests that damage it on purpose.
inline constexpr size_t kFixtureNewHeaderField = 0x3C;
inline constexpr size_t kFixtureResourceOffset = 0x200;

}  // namespace foldant::testing
