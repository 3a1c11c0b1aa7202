#include <gtest/gtest.h>

#include <random>
#include <string>

#include "pdf/buffered_read_stream.h"

namespace foldant {
namespace {

TEST(BufferedReadStream, ReadsTheSameBytesAsItsSourceAnywhere) {
    std::string bytes(300000, '\0');
    std::mt19937 random(7);
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    TMemoryStream source(bytes);
    TBufferedReadStream buffered(source);
    EXPECT_EQ(buffered.Size(), static_cast<int64_t>(bytes.size()));
    std::uniform_int_distribution<int64_t> position(0, static_cast<int64_t>(bytes.size()) + 10);
    std::uniform_int_distribution<int64_t> length(0, 2 * TBufferedReadStream::kWindowSize);
    for (int i = 0; i < 2000; ++i) {
        const int64_t at = position(random);
        const int64_t count = i % 10 == 0 ? length(random) : length(random) / 64;
        EXPECT_EQ(ReadBytesAt(buffered, at, count), ReadBytesAt(source, at, count))
            << at << " " << count;
    }
}

TEST(BufferedReadStream, ReadsRunOnFromThePosition) {
    TMemoryStream source(std::string("0123456789"));
    TBufferedReadStream buffered(source);
    char part[4] = {};
    EXPECT_EQ(buffered.Seek(3), 3);
    EXPECT_EQ(buffered.Read(part, 4), 4);
    EXPECT_EQ(std::string(part, 4), "3456");
    EXPECT_EQ(buffered.Read(part, 4), 3);
    EXPECT_EQ(std::string(part, 3), "789");
    EXPECT_EQ(buffered.Read(part, 4), 0);
    EXPECT_EQ(buffered.Seek(-1), -1);
    EXPECT_EQ(buffered.Write("x", 1), 0);
}

}  // namespace
}  // namespace foldant
