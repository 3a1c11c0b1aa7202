#include "util/better_file_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_stream.h"
#include "tests/util/scratch_folder.h"
#include "util/file_errors.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using Disposition = TBetterFileStream::Disposition;

class BetterFileStreamTest : public ScratchFolderTest {};

bool OwnerMayWrite(const std::string& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

TEST_F(BetterFileStreamTest, OpenOrCreateKeepsTheContentAndCreateOrTruncateEmptiesIt) {
    std::string path = Write("f.txt", "abcdef");
    {
        TBetterFileStream stream(path, false, Disposition::OpenOrCreate);
        EXPECT_EQ(stream.Size(), 6);
        stream.WriteAll("XY", 2);
    }
    EXPECT_EQ(Read(path), "XYcdef");
    {
        TBetterFileStream stream(path, false, Disposition::CreateOrTruncate);
        EXPECT_EQ(stream.Size(), 0);
    }
    EXPECT_EQ(Read(path), "");
    { TBetterFileStream created(Path("new.txt"), true, Disposition::OpenOrCreate); }
    EXPECT_TRUE(fs::is_regular_file(Path("new.txt")));
}

TEST_F(BetterFileStreamTest, TheReadOnlyMarkIsLiftedWhileOpenAndRestoredAfterwards) {
    std::string path = Write("ro.txt", "old");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    {
        TBetterFileStream stream(path, true, Disposition::CreateOrTruncate);
        EXPECT_TRUE(OwnerMayWrite(path));
        stream.WriteAll("new", 3);
    }
    EXPECT_FALSE(OwnerMayWrite(path));
    EXPECT_EQ(Read(path), "new");
}

TEST_F(BetterFileStreamTest, AFileThatCannotBeOpenedRaisesTheCreationError) {
    fs::create_directory(Path("folder"));
    std::string path = Path("folder");
    try {
        TBetterFileStream stream(path, true, Disposition::CreateOrTruncate);
        FAIL() << "no error raised";
    } catch (const FileCreateError& error) {
        EXPECT_EQ(error.what(), "Datei " + path + " kann nicht erstellt werden");
    }
    EXPECT_THROW(TBetterFileStream(Path("no/such/folder/f"), true, Disposition::OpenOrCreate),
                 FileCreateError);
}

TEST_F(BetterFileStreamTest, AFileLockedByOthersIsRefusedUntouchedAndKeepsItsMark) {
    std::string path = Write("held.txt", "precious");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    auto holder =
        platform::FileStream::Open(path, platform::FileAccess::Read, platform::FileShare::Read,
                                   platform::FileCreation::OpenExisting);
    EXPECT_THROW(TBetterFileStream(path, true, Disposition::CreateOrTruncate), FileCreateError);
    EXPECT_EQ(Read(path), "precious");
    EXPECT_FALSE(OwnerMayWrite(path));
}

}  // namespace
}  // namespace foldant
