#include "platform/guid.h"

#include <gtest/gtest.h>

#include <set>

namespace foldant::platform {
namespace {

TEST(Guid, TextIsUpperCaseHexInGroupsOfEightFourFourFourTwelve) {
    Guid guid;
    for (int i = 0; i < 16; ++i) {
        guid.bytes[i] = static_cast<uint8_t>(i * 17 + 10);
    }
    EXPECT_EQ(GuidText(guid), "0A1B2C3D-4E5F-7081-92A3-B4C5D6E7F809");
}

TEST(Guid, NewGuidsAreRandomVersionFourIdentifiers) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string text = NewGuidText();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
        for (size_t at : {8u, 13u, 18u, 23u}) {
            EXPECT_EQ(text[at], '-');
        }
        EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF-"), std::string::npos) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200u);
}

}  // namespace
}  // namespace foldant::platform
