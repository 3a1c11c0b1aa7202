#include "pdf/object_copy.h"

#include <gtest/gtest.h>

namespace foldant {
namespace {

std::string Copied(std::string_view body, int32_t offset) {
    return CopyRenumbered(body, offset).value_or("<long way>");
}

TEST(ObjectCopy, RenumbersEveryReferenceAndKeepsAllElseByteForByte) {
    EXPECT_EQ(Copied("<</Type/Page/Parent 3 0 R/Kids[4 0 R 12 1 R]>>\nendobj\n", 10),
              "<</Type/Page/Parent 13 0 R/Kids[14 0 R 22 1 R]>>");
    EXPECT_EQ(Copied(" [0.00999 -.5 +3 1 0 (4 0 R) <3420302052> /N#20x 7 0 R]", 100),
              " [0.00999 -.5 +3 1 0 (4 0 R) <3420302052> /N#20x 107 0 R]");
    EXPECT_EQ(Copied("<< /S (a (nested \\) string) b) % 9 0 R\n /R 5\n0\nR >>", 1),
              "<< /S (a (nested \\) string) b) % 9 0 R\n /R 6\n0\nR >>");
    EXPECT_EQ(Copied("[1 2 3 true false null]", 5), "[1 2 3 true false null]");
    EXPECT_EQ(Copied("<< /A 1 0 R >>", 0), "<< /A 1 0 R >>");
}

// Stream data is copied undecoded when the declared length leads exactly to "endstream".
TEST(ObjectCopy, StreamsKeepTheirDataWhenTheLengthFits) {
    using namespace std::literals;
    const StreamLengthLookup noLookup;
    EXPECT_EQ(CopyRenumbered("<</Length 5/F 2 0 R>>\r\nstream\r\nHE\0LO\r\nendstream\nendobj"sv, 4,
                             &noLookup)
                  .value(),
              "<</Length 5/F 6 0 R>>\nstream\nHE\0LO\nendstream"s);
    const StreamLengthLookup lengthOf = [](int32_t number) -> std::optional<int64_t> {
        if (number == 7) {
            return 3;
        }
        return std::nullopt;
    };
    EXPECT_EQ(CopyRenumbered("<</Length 7 0 R>> stream\nabcendstream", 1, &lengthOf).value(),
              "<</Length 8 0 R>>\nstream\nabc\nendstream");
    for (std::string_view body : {
             "<< /Length 4 >>\nstream\nHELLO\nendstream",
             "<< /Length 9 0 R >>\nstream\nabc\nendstream",
             "<< /Length 7 0 R >>\nstream\nHELLO\nendstream",
             "<< /Length 5.0 >>\nstream\nHELLO\nendstream",
             "<< /Length 5 >>stream HELLO\nendstream",
             "<< /Length 5 >>\nstream\nHEL",
             "<< /Sub << /Length 5 >> >>\nstream\nHELLO\nendstream",
         }) {
        EXPECT_FALSE(CopyRenumbered(body, 3, &lengthOf).has_value()) << body;
    }
}

// What the scan cannot vouch for goes through the object model, which repairs it.
TEST(ObjectCopy, OddObjectsAndDamageTakeTheLongWay) {
    for (std::string_view body : {
             "<< /Length 5 >>\nstream\nHELLO\nendstream",
             "12",
             "(text)",
             "3 0 R",
             "<< /A [1 2 >>",
             "<< /A 1 ",
             "<< (key) 1 >>",
             "<< /A >>",
             "[1 0 obj]",
             "[ 1.5 0 R ]",
             "[ 9999999 0 R ]",
             "<< /H <12 zz> >>",
         }) {
        EXPECT_FALSE(CopyRenumbered(body, 3).has_value()) << body;
    }
}

}  // namespace
}  // namespace foldant
