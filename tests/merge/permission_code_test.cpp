#include <gtest/gtest.h>

#include "merge/permission_code.h"

namespace foldant {
namespace {

struct CodeCase {
    const char* code;
    bool encrypt;
    uint8_t permissions;
    uint8_t extras;
    uint8_t level;
};

TEST(PermissionCode, DecodesTheNineCharacters) {
    const CodeCase cases[] = {
        {"", false, 0, 0, 7},          {"000000000", false, 0, 0, 7},
        {"111111110", false, 0, 0, 7}, {"111111111", true, 15, 15, 1},
        {"111100004", true, 15, 0, 0}, {"111111114", true, 15, 0, 0},
        {"100000001", true, 1, 0, 1},  {"010000001", true, 4, 0, 1},
        {"001000001", true, 2, 0, 1},  {"000100001", true, 8, 0, 1},
        {"000010001", true, 0, 1, 1},  {"000001001", true, 0, 2, 1},
        {"000000101", true, 0, 4, 1},  {"000000011", true, 0, 8, 1},
        {"1111", true, 15, 0, 1},      {"x1y1z1w1 ", true, 12, 10, 1},
        {"2222222228", true, 0, 0, 1},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.code);
        TPermissionRequest request;
        request.Level = 7;
        request.PermissionFlags = 99;
        request.ExtraFlags = 99;
        DecodePermissionCode(c.code, request);
        EXPECT_EQ(request.EncryptResult, c.encrypt);
        EXPECT_EQ(request.PermissionFlags, c.permissions);
        EXPECT_EQ(request.ExtraFlags, c.extras);
        EXPECT_EQ(request.Level, c.level);
    }
}

}  // namespace
}  // namespace foldant
