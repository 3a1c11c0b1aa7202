#include "util/file_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/os_error.h"
#include "tests/util/scratch_folder.h"
#include "util/file_errors.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class FileUtilsTest : public ScratchFolderTest {};

// Holds a file the way another program does that denies everyone else access.
std::unique_ptr<platform::FileStream> LockExclusively(const std::string& path) {
    return platform::FileStream::Open(path, platform::FileAccess::ReadWrite,
                                      platform::FileShare::None,
                                      platform::FileCreation::OpenAlways);
}

bool OwnerMayWrite(const std::string& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

// Locks the file as another program would and lets it go after 300 ms.
class TemporaryLock {
  public:
    explicit TemporaryLock(const std::string& path)
        : lock_(LockExclusively(path)), releaser_([this] {
              std::this_thread::sleep_for(std::chrono::milliseconds(300));
              lock_.reset();
          }) {}
    ~TemporaryLock() { releaser_.join(); }

  private:
    std::unique_ptr<platform::FileStream> lock_;
    std::thread releaser_;
};

constexpr char kDelimiter = platform::kPathDelimiter;

TEST(FileUtilsPaths, TrailingDelimiterIsAddedOnlyWhereMissing) {
    EXPECT_EQ(WithTrailingDelimiter(""), "");
    EXPECT_EQ(WithTrailingDelimiter("/"), "/");
    EXPECT_EQ(WithTrailingDelimiter("/home/daten"), std::string("/home/daten") + kDelimiter);
    EXPECT_EQ(WithTrailingDelimiter("/home/daten/"), "/home/daten/");
    EXPECT_EQ(WithTrailingDelimiter("C"), std::string("C") + kDelimiter);
    EXPECT_EQ(WithoutTrailingDelimiter("/home/daten//"), "/home/daten/");
    EXPECT_EQ(WithoutTrailingDelimiter("/"), "");
    EXPECT_EQ(WithoutTrailingDelimiter("daten"), "daten");
}

TEST_F(FileUtilsTest, PathIsFileTellsFilesFromFoldersAndMissingPaths) {
    std::string file = Write("a.txt", "x");
    fs::create_directory(Path("folder"));
    EXPECT_TRUE(PathIsFile(file));
    EXPECT_FALSE(PathIsFile(Path("folder")));
    EXPECT_FALSE(PathIsFile(Path("missing.txt")));
    EXPECT_FALSE(PathIsFile(Path("a.txt/below")));
    EXPECT_FALSE(PathIsFile(std::string("a\0b", 3)));
    EXPECT_FALSE(PathIsFile(""));
}

TEST_F(FileUtilsTest, PathIsFileIsTrueForAFileLockedByOthers) {
    std::string file = Write("locked.txt", "x");
    auto lock = LockExclusively(file);
    EXPECT_TRUE(PathIsFile(file));
}

TEST_F(FileUtilsTest, PathIsFileBehindALinkLoopFallsBackToTheFolderListing) {
    fs::create_symlink("loop", Path("loop"));
    EXPECT_FALSE(PathIsFile(Path("loop/x")));
}

TEST_F(FileUtilsTest, FoldersAreReachableThroughLinksButNotThroughDanglingOnes) {
    fs::create_directory(Path("real"));
    fs::create_directory_symlink(Path("real"), Path("link"));
    fs::create_directory_symlink(Path("gone"), Path("dangling"));
    std::string file = Write("f.txt", "x");
    EXPECT_TRUE(FolderReachable(Path("real")));
    EXPECT_TRUE(FolderReachable(Path("link")));
    EXPECT_FALSE(FolderReachable(Path("dangling")));
    EXPECT_FALSE(FolderReachable(file));
    EXPECT_FALSE(FolderReachable(Path("missing")));
    EXPECT_TRUE(PathIsFolder(Path("link")));
    EXPECT_FALSE(PathIsFolder(file));
}

TEST_F(FileUtilsTest, EnsureDirectoryCreatesEveryMissingParent) {
    std::string nested = Path("a/b/c/");
    EXPECT_TRUE(EnsureDirectory(nested));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(EnsureDirectory(nested));
    EXPECT_TRUE(EnsureDirectory("/"));
}

TEST_F(FileUtilsTest, EnsureDirectoryFailsQuietlyBelowAFile) {
    Write("plain", "x");
    EXPECT_FALSE(EnsureDirectory(Path("plain/sub/deeper")));
    EXPECT_FALSE(EnsureDirectory(Path("plain")));
    EXPECT_TRUE(fs::is_regular_file(Path("plain")));
}

TEST(FileUtilsPaths, EnsureDirectoryOfAnEmptyPathRaisesCodeThree) {
    try {
        EnsureDirectory("");
        FAIL() << "no error raised";
    } catch (const InOutError& error) {
        EXPECT_STREQ(error.what(), "Verzeichnis kann nicht erstellt werden");
        EXPECT_EQ(error.Code(), 3);
    }
}

TEST_F(FileUtilsTest, DeleteFileIfExistsIsTrueOnceTheFileIsGone) {
    std::string file = Write("d.txt", "x");
    fs::create_directory(Path("keep"));
    fs::create_symlink(Path("nowhere"), Path("dangling"));
    EXPECT_TRUE(DeleteFileIfExists(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(DeleteFileIfExists(file));
    EXPECT_TRUE(DeleteFileIfExists(Path("keep")));
    EXPECT_TRUE(fs::is_directory(Path("keep")));
    EXPECT_TRUE(DeleteFileIfExists(Path("dangling")));
    EXPECT_FALSE(fs::is_symlink(Path("dangling")));
}

TEST(FileUtilsHash, ElfHashMatchesTheSystemVAbiValues) {
    EXPECT_EQ(ElfHash(""), 0u);
    EXPECT_EQ(ElfHash("printf"), 0x077905A6u);
    EXPECT_EQ(ElfHash("exit"), 0x0006CF04u);
    EXPECT_EQ(ElfHash("main"), 0x000737FEu);
    EXPECT_EQ(ElfHash("00000000-0000-0000-0000-000000000000"), 20000800u);
    EXPECT_LE(ElfHash(std::string(200, '\xFF')), 268435455u);
}

// The variable that names the system's temporary folder.
#ifdef _WIN32
constexpr char kTmpdir[] = "TMP";
#else
constexpr char kTmpdir[] = "TMPDIR";
#endif

// The path with the system's own delimiter, as the temporary folder is handed out.
std::string Native(std::string path) {
    if (platform::kPathDelimiter != '/') {
        std::replace(path.begin(), path.end(), '/', platform::kPathDelimiter);
    }
    return path;
}

class TempFolderTest : public FileUtilsTest {
  protected:
    void SetUp() override {
        FileUtilsTest::SetUp();
        const char* old = std::getenv(kTmpdir);
        hadTmpdir_ = old != nullptr;
        oldTmpdir_ = old ? old : "";
        setenv(kTmpdir, root_.string().c_str(), 1);
    }
    void TearDown() override {
        if (hadTmpdir_) {
            setenv(kTmpdir, oldTmpdir_.c_str(), 1);
        } else {
            unsetenv(kTmpdir);
        }
        FileUtilsTest::TearDown();
    }
    bool hadTmpdir_ = false;
    std::string oldTmpdir_;
};

TEST_F(TempFolderTest, TempFolderLiesInTmpdirAndIsCreated) {
    std::string folder = GetTempFolder();
    EXPECT_EQ(folder, Native(Path("QvTempDir/")));
    EXPECT_TRUE(fs::is_directory(folder));
    std::string sub = GetTempFolder("job");
    EXPECT_EQ(sub, Native(Path("QvTempDir/job/")));
    EXPECT_TRUE(fs::is_directory(sub));
}

TEST_F(TempFolderTest, MissingTmpdirIsCreatedAndEmptyTmpdirMeansTmp) {
    setenv(kTmpdir, Path("not/yet").c_str(), 1);
    EXPECT_EQ(GetTempFolder(), Native(Path("not/yet/QvTempDir/")));
    EXPECT_TRUE(fs::is_directory(Path("not/yet/QvTempDir")));
#ifndef _WIN32
    setenv(kTmpdir, "", 1);
    EXPECT_EQ(GetTempFolder().rfind("/tmp/QvTempDir", 0), 0u);
#endif
}

#ifndef _WIN32
TEST_F(TempFolderTest, AnotherUsersQvTempDirIsLeftAlone) {
    fs::create_directory(Path("QvTempDir"));
    ASSERT_EQ(::chown(Path("QvTempDir").c_str(), 65534, 65534), 0);
    std::string own = Path("QvTempDir-" + std::to_string(::geteuid()) + "/");
    EXPECT_EQ(GetTempFolder(), own);
    struct stat info {};
    ASSERT_EQ(::stat(own.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(TempFolderTest, ALinkPlantedAsQvTempDirIsNotFollowed) {
    fs::create_directory(Path("elsewhere"));
    fs::create_directory_symlink(Path("elsewhere"), Path("QvTempDir"));
    EXPECT_EQ(GetTempFolder(), Path("QvTempDir-" + std::to_string(::geteuid()) + "/"));
    EXPECT_EQ(UniqueTempName().rfind(Path("QvTempDir-"), 0), 0u);
}

#endif

TEST_F(TempFolderTest, UniqueTempNamesAreShortNumbersInTheTempFolder) {
    std::string folder = GetTempFolder();
    std::string first = UniqueTempName();
    std::string second = UniqueTempName();
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        ASSERT_EQ(name.rfind(folder, 0), 0u);
        std::string digits = name.substr(folder.size());
        EXPECT_FALSE(digits.empty());
        EXPECT_LE(digits.size(), 9u);
        EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << digits;
    }
}

TEST_F(FileUtilsTest, CopyFileRetryCopiesEveryBlockAndReplacesTheTarget) {
    std::string content;
    for (int i = 0; i < 61440 * 2 + 7; ++i) {
        content.push_back(static_cast<char>(i * 7 % 251));
    }
    std::string source = Write("source.bin", content);
    std::string target = Write("target.bin", std::string(200000, 'z'));
    EXPECT_TRUE(CopyFileRetry(source, target));
    EXPECT_EQ(Read(target), content);
    EXPECT_TRUE(CopyFileRetry(source, Path("new/folder/copy.bin")));
    EXPECT_EQ(Read(Path("new/folder/copy.bin")), content);
    Write("empty", "");
    EXPECT_TRUE(CopyFileRetry(Path("empty"), target));
    EXPECT_EQ(Read(target), "");
}

TEST_F(FileUtilsTest, CopyFileRetryOntoTheSourceItselfKeepsItsContent) {
    std::string source = Write("self.txt", "keep me");
    fs::create_symlink(source, Path("alias.txt"));
    fs::create_hard_link(source, Path("hard.txt"));
    EXPECT_TRUE(CopyFileRetry(source, source));
    EXPECT_TRUE(CopyFileRetry(source, Path("alias.txt")));
    EXPECT_TRUE(CopyFileRetry(Path("hard.txt"), source));
    EXPECT_EQ(Read(source), "keep me");
}

TEST_F(FileUtilsTest, CopyFileRetryRaisesForAMissingSourceOrABareTargetName) {
    EXPECT_THROW(CopyFileRetry(Path("missing"), Path("t")), platform::OsError);
    std::string source = Write("s", "x");
    EXPECT_THROW(CopyFileRetry(source, "bare-name"), InOutError);
}

TEST_F(FileUtilsTest, CopyFileRetryWaitsForALockedTargetToBeReleased) {
    std::string source = Write("source", "new content");
    std::string target = Write("target", "old");
    auto start = Clock::now();
    bool copied = false;
    {
        TemporaryLock held(target);
        copied = CopyFileRetry(source, target);
    }
    auto waited = Clock::now() - start;
    EXPECT_TRUE(copied);
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(Read(target), "new content");
}

TEST_F(FileUtilsTest, CopyFileRetryGivesUpOnATargetThatStaysLocked) {
    std::string source = Write("source", "new content");
    std::string target = Write("target", "old");
    auto lock = LockExclusively(target);
    auto start = Clock::now();
    EXPECT_FALSE(CopyFileRetry(source, target));
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(5400));
    EXPECT_LT(waited, std::chrono::milliseconds(8000));
    // Windows lets nobody read a file locked this way, not even this test.
    lock.reset();
    EXPECT_EQ(Read(target), "old");
}

TEST_F(FileUtilsTest, SaveLinesRetryEndsEveryLineWithCrLfAndCreatesTheFolder) {
    std::string path = Path("deep/er/lines.txt");
    SaveLinesRetry({"eins", "", "dr\xE4i \x80"}, path);
    EXPECT_EQ(Read(path), "eins\r\n\r\ndr\xE4i \x80\r\n");
    SaveLinesRetry({}, path);
    EXPECT_EQ(Read(path), "");
}

TEST_F(FileUtilsTest, SaveLinesRetryWritesAReadOnlyFileAndKeepsItReadOnly) {
    std::string path = Write("ro.txt", "a much longer old content");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    SaveLinesRetry({"neu"}, path);
    EXPECT_EQ(Read(path), "neu\r\n");
    EXPECT_FALSE(OwnerMayWrite(path));
}

TEST_F(FileUtilsTest, LineFilesHeldByOthersAreWrittenAndReadOnceReleased) {
    std::string path = Write("held.txt", "old\n");
    {
        TemporaryLock held(path);
        auto start = Clock::now();
        SaveLinesRetry({"new"}, path);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
    }
    EXPECT_EQ(Read(path), "new\r\n");
    std::vector<std::string> lines;
    {
        TemporaryLock held(path);
        LoadLinesRetry(lines, path);
    }
    EXPECT_EQ(lines, std::vector<std::string>{"new"});
}

TEST_F(FileUtilsTest, RelativePathsStartFromTheCurrentFolder) {
    fs::path previous = fs::current_path();
    fs::current_path(root_);
    SaveLinesRetry({"x"}, "here.txt");
    bool created = EnsureDirectory("rel/sub");
    fs::current_path(previous);
    EXPECT_EQ(Read(Path("here.txt")), "x\r\n");
    EXPECT_TRUE(created);
    EXPECT_TRUE(fs::is_directory(Path("rel/sub")));
}

TEST_F(FileUtilsTest, LoadLinesRetrySplitsAtEveryKindOfLineBreak) {
    std::string path = Write("mixed.txt", "a\r\nb\rc\nd\n\ne\r\n");
    std::vector<std::string> lines{"old"};
    LoadLinesRetry(lines, path);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

TEST_F(FileUtilsTest, LoadLinesRetryOfAMissingFileLeavesTheListAlone) {
    std::vector<std::string> lines{"keep", "these"};
    LoadLinesRetry(lines, Path("missing.txt"));
    EXPECT_EQ(lines, (std::vector<std::string>{"keep", "these"}));
    LoadLinesRetry(lines, root_.string());
    EXPECT_EQ(lines.size(), 2u);
}

TEST_F(FileUtilsTest, LinesWithWindows1252NamesAndTextRoundTrip) {
    std::string path = Path("M\xFCller \x80.txt");
    std::vector<std::string> written{
        "Gr\xFC\xDF"
        "e",
        "\x80 100"};
    SaveLinesRetry(written, path);
    EXPECT_TRUE(fs::exists(fs::path(root_) / fs::path(u8"M\u00FCller \u20AC.txt")));
    std::vector<std::string> read;
    LoadLinesRetry(read, path);
    EXPECT_EQ(read, written);
}

TEST(FileUtilsLines, SplitLinesKeepsEmptyLinesButNoneAfterTheLastBreak) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("\r\n"), Lines{""});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\n\r"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines(std::string("x\0y\n", 4)), Lines{std::string("x\0y", 3)});
}

}  // namespace
}  // namespace foldant
