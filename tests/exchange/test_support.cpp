#include "tests/exchange/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/message_loop.h"

namespace foldant::testing {

namespace {

std::unique_ptr<FakeClock> MakeClock(FakeClock*& raw) {
    auto clock = std::make_unique<FakeClock>();
    raw = clock.get();
    return clock;
}

}  // namespace

ManagedClock::ManagedClock() : manager_(MakeClock(clock_)) {
    // The manager checks once at start; later checks then each belong to a shown time.
    EXPECT_TRUE(manager_.WaitForChecks(1, kPatienceMs));
}

void ManagedClock::ShowTime(int hour, int minute, int second) {
    std::uint64_t before = manager_.Checks();
    clock_->Set(hour, minute, second);
    ASSERT_TRUE(manager_.WaitForChecks(before + 1, kPatienceMs));
    platform::DispatchPendingMessages();
}

namespace {

// The marker file lives in the temporary folder; each test program gets a folder of its own so
// that programs running side by side do not see each other's marker.
class TempFolderEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string folder =
            std::string(FOLDANT_BINARY_DIR) + "/test-tmp-" + platform::NewGuidText();
        std::filesystem::create_directories(folder);
        ::setenv("TMPDIR", folder.c_str(), 1);
        folder_ = folder;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

  private:
    std::string folder_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TempFolderEnvironment);

}  // namespace

}  // namespace foldant::testing
