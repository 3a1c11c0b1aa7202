#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/windows1252.h"
#include "script/script_runtime.h"
#include "script/setup_script.h"
#include "script_host_test_support.h"

namespace foldant::testing {
namespace {

constexpr const char* kOrder =
    R"({"Order":[{"Nr":"4711","Adress":[{"R1":"M\u00fcller GmbH","L2":"xxx"}],)"
    R"("Parts":[{"Name":"Widget"}]}]})";

class SetupScriptTest : public ::testing::Test {
  protected:
    void SetUp() override { StartScriptEngine(); }
    void TearDown() override { StopScriptEngine(); }

    std::string Database() const { return folder.Path() + "/Daten"; }
    std::string ScriptPath() const { return Database() + "/foldant.setup/setup.pas"; }
    std::string OrderFile() const { return folder.Write("order.json", kOrder); }
    void WriteScript(const std::string& bytes) const {
        folder.Write("Daten/foldant.setup/setup.pas", bytes);
    }
    bool Run() { return RunSetupScript(Database(), OrderFile()); }

    TempFolder folder;
};

TEST(SetupFolder, AppendsTheFolderToTheDatabasePath) {
    EXPECT_EQ(SetupFolder("/srv/Daten"), "/srv/Daten/foldant.setup/");
    EXPECT_EQ(SetupFolder("/srv/Daten/"), "/srv/Daten/foldant.setup/");
    EXPECT_EQ(SetupFolder("D"), "D/foldant.setup/");
    EXPECT_EQ(SetupFolder(""), "foldant.setup/");
}

TEST(DefaultSetupScript, HasItsLinesAndBlanks) {
    std::string text = DefaultSetupScript();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    for (size_t i : {0, 15, 18, 26}) {
        EXPECT_EQ(lines[i].back(), ' ') << "line " << i + 1;
    }
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[0], "begin ");
    EXPECT_EQ(lines[26], "end. ");
    EXPECT_EQ(lines[11], "function  Main(Index:string):string");
    EXPECT_EQ(lines[18], "ThisForBidden:= not AnsiContainsText(Adress('R1'),'FOLDANT'); ");
    EXPECT_EQ(lines[22], "ThisForBidden := False;");
    EXPECT_EQ(lines[5].substr(0, 5),
              "\xDC"
              "ber ");
    EXPECT_NE(lines[3].find("Umst\xE4nden"), std::string::npos);
}

TEST(FilterScript, HasThirteenLinesEachEndedByALineBreak) {
    std::string text = FilterScript();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);
    EXPECT_EQ(text.substr(text.size() - 6), "end.\r\n");
    EXPECT_NE(text.find("\r\n      if LowerCase(ExtractFileExt(attachments[i])) = '.pdf' then\r\n"),
              std::string::npos);
}

TEST(FilterScript, TrueWhenAnyAttachmentIsAPdf) {
    std::vector<std::string> mixed = {"/tmp/Rechnung.PDF", "/tmp/notiz.txt"};
    std::string error;
    EXPECT_TRUE(RunFilterScript(&mixed, &error));
    EXPECT_EQ(error, "");
    std::vector<std::string> none = {"a.txt", "b.pdf.txt", "ordner.pdf/datei"};
    EXPECT_FALSE(RunFilterScript(&none));
    std::vector<std::string> empty;
    EXPECT_FALSE(RunFilterScript(&empty));
    EXPECT_FALSE(RunFilterScript(nullptr, &error));
    EXPECT_EQ(error, "");
}

TEST_F(SetupScriptTest, FirstJobWritesTheDefaultScriptAndRunsIt) {
    EXPECT_FALSE(Run());
    std::string bytes = ReadBytes(ScriptPath());
    EXPECT_EQ(bytes, AnsiToUtf8(DefaultSetupScript()) + "\r\n");
    EXPECT_NE(bytes.find("Umst\xC3\xA4nden"), std::string::npos);
    EXPECT_EQ(ScriptStartThread()->FillData().ErrorText(), "");
}

TEST_F(SetupScriptTest, BlankScriptIsReplacedExistingOneIsKept) {
    WriteScript(" \r\n\t\r\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(ReadBytes(ScriptPath()), AnsiToUtf8(DefaultSetupScript()) + "\r\n");
    WriteScript("begin ThisForBidden := True; end.");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadBytes(ScriptPath()), "begin ThisForBidden := True; end.");
}

TEST_F(SetupScriptTest, ResultRules) {
    WriteScript("begin ThisForBidden := True end.");
    EXPECT_TRUE(Run());
    WriteScript("begin ThisForBidden := True; end");
    EXPECT_FALSE(Run());
    WriteScript("begin ThisForBidden := True; RaiseException('x'); end.");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ScriptStartThread()->FillData().ErrorText().substr(0, 7), "xCode: ");
    WriteScript(
        "begin thisforbidden := (Part(0, 'name') = 'Widget') and (Order('NR') = '4711'); "
        "end.");
    EXPECT_TRUE(Run());
}

TEST_F(SetupScriptTest, InvalidOrderDataLeavesTheScriptAlone) {
    EXPECT_FALSE(RunSetupScript(Database(), ""));
    EXPECT_FALSE(std::filesystem::exists(ScriptPath()));
    WriteScript("begin ThisForBidden := True; end.");
    EXPECT_FALSE(RunSetupScript(Database(), folder.Write("bad.json", R"({"Order":[]})")));
}

TEST_F(SetupScriptTest, EndlessScriptIsStopped) {
    WriteScript("begin ThisForBidden := True; while True do ; end.");
    ScriptStartThread()->WaitUntilReady();
    ScriptStartThread()->Script()->Engine().SetTimeLimit(std::chrono::milliseconds(100));
    EXPECT_TRUE(Run());
    EXPECT_NE(ScriptStartThread()->FillData().ErrorText().find("ran longer"), std::string::npos);
}

TEST_F(SetupScriptTest, Utf8AndWindows1252ScriptsBothMatchUmlauts) {
    std::string script = "begin ThisForBidden := Adress('R1') = 'M\xFCller GmbH'; end.";
    WriteScript(AnsiToUtf8(script));
    EXPECT_TRUE(Run());
    WriteScript(script);
    EXPECT_TRUE(Run());
    WriteScript(
        AnsiToUtf8("begin ThisForBidden := AnsiContainsText(Adress('R1'), 'M\xDCLLER'); end."));
    EXPECT_TRUE(Run());
}

TEST_F(SetupScriptTest, WithoutStartThreadTheAnswerIsFalse) {
    StopScriptEngine();
    WriteScript("begin ThisForBidden := True; end.");
    EXPECT_FALSE(Run());
}

class ShowSetupScriptTest : public SetupScriptTest {
  protected:
    void SetUp() override {
        SetupScriptTest::SetUp();
        record = folder.Path() + "/opened.txt";
        opener = folder.Write("opener.sh", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + "'\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        setenv("FOLDANT_OPEN_COMMAND", opener.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("FOLDANT_OPEN_COMMAND");
        SetupScriptTest::TearDown();
    }
    std::string record;
    std::string opener;
};

TEST_F(ShowSetupScriptTest, DoesNothingBeforeTheScriptExists) {
    ShowSetupScript(Database());
    ShowSetupScript("");
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(ShowSetupScriptTest, ShowsTheScriptOnceItExists) {
    WriteScript("begin end.");
    ShowSetupScript(Database());
    EXPECT_EQ(ReadBytes(record), ScriptPath());
}

}  // namespace
}  // namespace foldant::testing
