#include "platform/windows1252.h"

#include <gtest/gtest.h>

namespace foldant {
namespace {

TEST(Windows1252, EveryByteSurvivesUtf16AndUtf8RoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all)), all);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_TRUE(IsValidUtf8(AnsiToUtf8(all)));
}

TEST(Windows1252, HighBytesMapToTheirTypographicCharacters) {
    EXPECT_EQ(Cp1252ToUnicode(128), u'\u20AC');
    EXPECT_EQ(Cp1252ToUnicode(150), u'\u2013');
    EXPECT_EQ(Cp1252ToUnicode(140), u'\u0152');
    EXPECT_EQ(Cp1252ToUnicode(228), u'\u00E4');
    EXPECT_EQ(UnicodeToCp1252(0x2013), 150);
    EXPECT_EQ(UnicodeToCp1252(0x0178), 159);
    EXPECT_FALSE(UnicodeToCp1252(0x4E2D).has_value());
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeReplacements) {
    EXPECT_EQ(Utf16ToAnsi(u"a\u4E2Db"), "a?b");
    EXPECT_EQ(Utf16ToAnsi(u"\U0001F600"), "?");
    EXPECT_EQ(Utf8ToAnsi("x\xFFy"), "x?y");
}

TEST(Windows1252, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(IsValidUtf8("M\xC3\xA4rz \xE2\x82\xAC"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));          // cut off
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("f\xFCr"));        // Windows-1252 umlaut
}

}  // namespace
}  // namespace foldant
