#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>

namespace foldant::platform {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("foldant-platform-" + std::to_string(std::random_device{}()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    std::string Path(const std::string& relative) const { return root_.string() + "/" + relative; }
    std::string Touch(const std::string& relative) const {
        std::ofstream(Path(relative)) << "x";
        return Path(relative);
    }
#ifndef _WIN32
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        ::lstat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
#endif
    fs::path root_;
};

TEST_F(FileSystemTest, AttributesTellFoldersLinksAndTheReadOnlyMark) {
    std::string file = Touch("f");
    fs::create_directory(Path("d"));
    fs::create_directory_symlink(Path("d"), Path("link"));
    EXPECT_EQ(ReadFileAttributes(file).error, ErrorClass::None);
    EXPECT_FALSE(ReadFileAttributes(file).attributes.isFolder);
    EXPECT_FALSE(ReadFileAttributes(file).attributes.readOnly);
    EXPECT_TRUE(ReadFileAttributes(Path("d")).attributes.isFolder);
    AttributeQuery link = ReadFileAttributes(Path("link"));
    EXPECT_TRUE(link.attributes.isLink);
    EXPECT_TRUE(link.attributes.isFolder);
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_TRUE(ReadFileAttributes(file).attributes.readOnly);
}

TEST_F(FileSystemTest, MissingPathsAreClassifiedByWhereTheyBreakOff) {
    Touch("f");
    EXPECT_EQ(ReadFileAttributes(Path("missing")).error, ErrorClass::FileNotFound);
    EXPECT_EQ(ReadFileAttributes(Path("nope/missing")).error, ErrorClass::PathNotFound);
    EXPECT_EQ(ReadFileAttributes(Path("f/below")).error, ErrorClass::PathNotFound);
    EXPECT_EQ(ReadFileAttributes(std::string("a\0b", 3)).error, ErrorClass::InvalidName);
}

TEST_F(FileSystemTest, SetReadOnlyTouchesOnlyTheOwnersWriteBit) {
    std::string file = Touch("f");
#ifdef _WIN32
    // Windows has one read-only mark and no other bits to keep.
    EXPECT_TRUE(SetReadOnly(file, true));
    EXPECT_TRUE(ReadFileAttributes(file).attributes.readOnly);
    EXPECT_TRUE(SetReadOnly(file, false));
    EXPECT_FALSE(ReadFileAttributes(file).attributes.readOnly);
#else
    ::chmod(file.c_str(), 0664);
    EXPECT_TRUE(SetReadOnly(file, true));
    EXPECT_EQ(Mode(file), 0464u);
    EXPECT_TRUE(SetReadOnly(file, false));
    EXPECT_EQ(Mode(file), 0664u);
#endif
    EXPECT_FALSE(SetReadOnly(Path("missing"), true));
}

TEST_F(FileSystemTest, FindFirstFindsFilesButNotFolders) {
    std::string file = Touch("f");
    fs::create_directory(Path("d"));
    EXPECT_TRUE(FindFirstIsFile(file));
    EXPECT_FALSE(FindFirstIsFile(Path("d")));
    EXPECT_FALSE(FindFirstIsFile(Path("missing")));
    EXPECT_FALSE(FindFirstIsFile(Path("d/")));
}

TEST_F(FileSystemTest, MakeFolderAcceptsAFolderThatIsThereButNotAFile) {
    EXPECT_TRUE(MakeFolder(Path("d")));
    EXPECT_TRUE(MakeFolder(Path("d")));
    EXPECT_FALSE(MakeFolder(Touch("f")));
    EXPECT_FALSE(MakeFolder(Path("missing/d")));
}

TEST_F(FileSystemTest, SameFileSeesThroughLinksButNotCopies) {
    std::string file = Touch("f");
    std::string other = Touch("g");
    fs::create_symlink(file, Path("soft"));
    fs::create_hard_link(file, Path("hard"));
    EXPECT_TRUE(SameFile(file, Path("soft")));
    EXPECT_TRUE(SameFile(Path("hard"), file));
    EXPECT_FALSE(SameFile(file, other));
    EXPECT_FALSE(SameFile(file, Path("missing")));
}

TEST_F(FileSystemTest, OnlyAnOwnRealFolderCanBeClaimed) {
    EXPECT_TRUE(ClaimPrivateFolder(Path("mine")));
#ifndef _WIN32
    EXPECT_EQ(Mode(Path("mine")), 0700u);
#endif
    EXPECT_TRUE(ClaimPrivateFolder(Path("mine")));
#ifndef _WIN32
    fs::create_directory(Path("theirs"));
    ASSERT_EQ(::chown(Path("theirs").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(ClaimPrivateFolder(Path("theirs")));
#endif
    fs::create_directory_symlink(Path("mine"), Path("link"));
    EXPECT_FALSE(ClaimPrivateFolder(Path("link")));
    EXPECT_FALSE(ClaimPrivateFolder(Touch("file")));
}

}  // namespace
}  // namespace foldant::platform
