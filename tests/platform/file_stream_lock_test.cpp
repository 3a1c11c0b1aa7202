#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/file_stream.h"
#include "platform/os_error.h"

namespace foldant::platform {
namespace {

namespace fs = std::filesystem;

class OthersLocksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("foldant-locks-" + std::to_string(std::random_device{}())))
                    .string();
        std::ofstream(path_) << "content";
    }
    void TearDown() override { fs::remove(path_); }

    std::unique_ptr<FileStream> Hold(FileShare share) {
        return FileStream::Open(path_, FileAccess::Read, share, FileCreation::OpenExisting);
    }
    std::unique_ptr<FileStream> OpenRespecting(FileAccess access, FileCreation creation) {
        return FileStream::Open(path_, access, FileShare::ReadWrite, creation,
                                OthersLocks::Respect);
    }
    std::string path_;
};

TEST_F(OthersLocksTest, WritingIsRefusedWhileOthersDenyWritersAndNothingIsTruncated) {
    auto holder = Hold(FileShare::Read);
    try {
        OpenRespecting(FileAccess::ReadWrite, FileCreation::CreateAlways);
        FAIL() << "opened a file others deny writing";
    } catch (const OsError& error) {
        EXPECT_EQ(error.Class(), ErrorClass::SharingViolation);
    }
    EXPECT_EQ(fs::file_size(path_), 7u);
    EXPECT_NE(OpenRespecting(FileAccess::Read, FileCreation::OpenExisting), nullptr);
    EXPECT_NE(FileStream::Open(path_, FileAccess::ReadWrite, FileShare::ReadWrite,
                               FileCreation::OpenExisting),
              nullptr);
}

TEST_F(OthersLocksTest, ReadingIsRefusedOnlyWhileOthersDenyEveryone) {
    {
        auto holder = Hold(FileShare::None);
        EXPECT_THROW(OpenRespecting(FileAccess::Read, FileCreation::OpenExisting), OsError);
    }
    auto reader = OpenRespecting(FileAccess::ReadWrite, FileCreation::OpenExisting);
    // The probe lock is gone once the open returns, so others can still lock the file.
    EXPECT_NE(Hold(FileShare::None), nullptr);
}

}  // namespace
}  // namespace foldant::platform
