#include "util/retry.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace foldant {
namespace {

TEST(RetryOnFailure, StopsAtTheFirstSuccess) {
    int calls = 0;
    RetryOnFailure(5, std::chrono::milliseconds(0), [&] {
        if (++calls < 3) {
            throw std::runtime_error("busy");
        }
    });
    EXPECT_EQ(calls, 3);
}

TEST(RetryOnFailure, RaisesTheLastFailureAfterTheLastAttempt) {
    int calls = 0;
    try {
        RetryOnFailure(4, std::chrono::milliseconds(1), [&] {
            ++calls;
            throw std::runtime_error("attempt " + std::to_string(calls));
        });
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "attempt 4");
    }
    EXPECT_EQ(calls, 4);
}

}  // namespace
}  // namespace foldant
