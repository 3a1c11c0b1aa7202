#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "json/fast_json.h"
#include "json/json_error.h"
#include "json/json_text.h"
#include "platform/file_stream.h"
#include "util/file_errors.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class JsonFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::path(FOLDANT_BINARY_DIR) / "json_files" /
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    fs::path folder_;
};

std::unique_ptr<TQvCustomJSON> Message() {
    auto message = std::make_unique<TQvJSON>();
    message->SetTextMember("PDFFileName", "M\xE4rz \x80.pdf");
    message->SetBoolMember("Merged.Success", true);
    return message;
}

TEST_F(JsonFiles, WriteNodeToFileCreatesFoldersAndOverwrites) {
    std::string path = PathOf("a/b/log.json");
    Write("placeholder", "");
    TQvJSONStreamer::WriteNodeToFile(Message().get(), path);
    EXPECT_EQ(Read("a/b/log.json"),
              "{\"PDFFileName\":\"M\xE4rz \\u20ac.pdf\",\"Merged.Success\":true}");
    TQvJSONStreamer::WriteNodeToFile(TQvJSONText::ParseJsonText("[]").get(), path);
    EXPECT_EQ(Read("a/b/log.json"), "[]");
    TQvJSONStreamer::WriteNodeToFile(nullptr, PathOf("nothing.json"));
    EXPECT_FALSE(fs::exists(folder_ / "nothing.json"));
}

TEST_F(JsonFiles, WriteNodeToFileWithoutAFolderPartRaises) {
    EXPECT_THROW(TQvJSONStreamer::WriteNodeToFile(Message().get(), "log.json"), InOutError);
}

TEST_F(JsonFiles, WriteNodeToFileRetriesWhileTheFileIsHeld) {
    std::string path = PathOf("held.json");
    Write("held.json", "old");
    auto holder =
        platform::FileStream::Open(path, platform::FileAccess::ReadWrite, platform::FileShare::None,
                                   platform::FileCreation::OpenExisting);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        holder.reset();
    });
    auto start = Clock::now();
    TQvJSONStreamer::WriteNodeToFile(Message().get(), path);
    auto waited = Clock::now() - start;
    release.join();
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_EQ(Read("held.json").substr(0, 15), "{\"PDFFileName\":");
}

TEST_F(JsonFiles, WriteNodeToFileGivesUpSilentlyAfterFiveAttempts) {
    std::string path = PathOf("locked.json");
    Write("locked.json", "old");
    auto holder =
        platform::FileStream::Open(path, platform::FileAccess::ReadWrite, platform::FileShare::None,
                                   platform::FileCreation::OpenExisting);
    auto start = Clock::now();
    EXPECT_NO_THROW(TQvJSONStreamer::WriteNodeToFile(Message().get(), path));
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    holder.reset();
    EXPECT_EQ(Read("locked.json"), "old");
}

TEST_F(JsonFiles, WriteNodeToStreamWritesTheCompactText) {
    std::string path = PathOf("stream.json");
    auto stream =
        platform::FileStream::Open(path, platform::FileAccess::Write, platform::FileShare::None,
                                   platform::FileCreation::CreateAlways);
    TQvJSONStreamer::WriteNodeToStream(Message().get(), stream.get());
    TQvJSONStreamer::WriteNodeToStream(nullptr, stream.get());
    TQvJSONStreamer::WriteNodeToStream(Message().get(), nullptr);
    stream.reset();
    EXPECT_EQ(Read("stream.json"), TQvJSONText::PrintCompact(*Message()));
}

TEST_F(JsonFiles, LoadFromFileReadsUpToTheFirstZeroByte) {
    Write("order.json", std::string("{\"a\":\"\xE4\"}\0garbage", 18));
    TFastJSON document;
    document.LoadFromFile(PathOf("order.json"), false, true);
    EXPECT_EQ(document.Member("a").AsText(), "\xE4");
}

TEST_F(JsonFiles, LoadFromFileOfAMissingFileLeavesTheDocumentEmpty) {
    TFastJSON document;
    document.Parse("[1]");
    Write("missing.~json", "{\"from\":\"backup\"}");
    document.LoadFromFile(PathOf("missing.json"), true, true);
    EXPECT_EQ(document.ToText(), "");
}

TEST_F(JsonFiles, LoadFromFileFallsBackToTheBackup) {
    Write("order.json", "\xEF\xBB\xBF{\"from\":\"file\"}");
    Write("order.~json", "{\"from\":\"backup\"}");
    TFastJSON document;
    document.LoadFromFile(PathOf("order.json"), true, false);
    EXPECT_EQ(document.ToText(), "{\"from\":\"backup\"}");

    document.LoadFromFile(PathOf("order.json"), false, false);
    EXPECT_EQ(document.ToText(), "");
    EXPECT_THROW(document.LoadFromFile(PathOf("order.json"), false, true), JsonError);
}

TEST_F(JsonFiles, LoadFromFileWithRaiseErrorsPassesTheFirstFailureOn) {
    Write("order.json", "{broken");
    Write("order.~json", "{\"from\":\"backup\"}");
    TFastJSON document;
    try {
        document.LoadFromFile(PathOf("order.json"), true, true);
        FAIL() << "no error raised";
    } catch (const JsonError& error) {
        EXPECT_EQ(std::string(error.what()), "<TFastJSON>\"\" parse error: {broken ..");
    }
    EXPECT_EQ(document.ToText(), "{\"from\":\"backup\"}");
}

TEST_F(JsonFiles, LoadFromFileWithABrokenBackupEndsEmpty) {
    Write("order", "[1,");
    Write("order.~json", "{\"a\":1");
    TFastJSON document;
    EXPECT_NO_THROW(document.LoadFromFile(PathOf("order"), true, false));
    EXPECT_EQ(document.ToText(), "");
    // The backup itself failing has no backup of its own to try.
    EXPECT_NO_THROW(document.LoadFromFile(PathOf("order.~json"), true, false));
    EXPECT_EQ(document.ToText(), "");
}

TEST_F(JsonFiles, LoadFromFileReplacesOnlyTheLastExtension) {
    fs::create_directories(folder_ / "dir.d");
    Write("dir.d/job.data.json", "not json");
    Write("dir.d/job.data.~json", "[\"backup\"]");
    TFastJSON document;
    document.LoadFromFile(PathOf("dir.d/job.data.json"), true, false);
    EXPECT_EQ(document.ToText(), "[\"backup\"]");
    Write("dir.d/noext", "not json");
    Write("dir.d/noext.~json", "[2]");
    document.LoadFromFile(PathOf("dir.d/noext"), true, false);
    EXPECT_EQ(document.ToText(), "[2]");
}

}  // namespace
}  // namespace foldant
