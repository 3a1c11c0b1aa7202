#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/clipboard.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "script_host_test_support.h"

namespace foldant::testing {
namespace {

TEST(Clipboard, DefaultKeepsTheTextAndHandlerReplacesIt) {
    platform::SetClipboardText("eins");
    EXPECT_EQ(platform::ClipboardText(), "eins");
    std::string handed;
    auto previous = platform::SetClipboardHandler([&](const std::string& t) { handed = t; });
    EXPECT_FALSE(previous);
    platform::SetClipboardText("zwei");
    EXPECT_EQ(handed, "zwei");
    EXPECT_EQ(platform::ClipboardText(), "eins");
    platform::SetClipboardHandler(nullptr);
    platform::SetClipboardText("drei");
    EXPECT_EQ(platform::ClipboardText(), "drei");
}

TEST(MessageBox, DefaultWritesToStandardErrorInUtf8) {
    ::testing::internal::CaptureStderr();
    platform::ShowMessageBox("Foldant",
                             "Gr\xFC\xDF"
                             "e");
    platform::ShowMessageBox("", "ohne Titel");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Foldant: Gr\xC3\xBC\xC3\x9F"
              "e\nohne Titel\n");
}

TEST(MessageBox, HandlerReceivesCaptionAndText) {
    std::string seen;
    platform::SetMessageBoxHandler(
        [&](const std::string& caption, const std::string& text) { seen = caption + "|" + text; });
    platform::ShowMessageBox("Titel", "Text");
    platform::SetMessageBoxHandler(nullptr);
    EXPECT_EQ(seen, "Titel|Text");
}

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        record = folder.Path() + "/record.txt";
        std::string opener =
            folder.Write("open.sh", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + "'\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        setenv("FOLDANT_OPEN_COMMAND", opener.c_str(), 1);
    }
    void TearDown() override { unsetenv("FOLDANT_OPEN_COMMAND"); }

    TempFolder folder;
    std::string record;
};

TEST_F(ShellTest, MissingFilesAndFoldersAreNotShown) {
    EXPECT_FALSE(platform::ShowFileInFileManager(folder.Path() + "/missing.pas"));
    EXPECT_FALSE(platform::ShowFileInFileManager(folder.Path()));
    EXPECT_FALSE(platform::ShowFileInFileManager(""));
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(ShellTest, ExistingFileIsHandedToTheOpenerAsUtf8) {
    std::string utf8 = folder.Write("M\xC3\xBCller.pas", "x");
    EXPECT_TRUE(platform::ShowFileInFileManager(folder.Path() + "/M\xFCller.pas"));
    EXPECT_EQ(ReadBytes(record), utf8);
}

}  // namespace
}  // namespace foldant::testing
