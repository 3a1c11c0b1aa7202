#include "install/installer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "install/local_service.h"
#include "install/worker_pool.h"
#include "pe_fixture.h"
#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "scratch_environment.h"
#include "tools/foldant-service/local_service_standin.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

using testing::BuildPeImage;
using testing::VersionFixture;

constexpr char kTitle[] = "Foldant";
constexpr char kRecord[] = R"({"Items":[{"Info":"PDF","UID":"{1}"}]})";
constexpr char kWillNotWork[] = "Foldant wird nicht wie erwartet funkionieren!\r\n";
constexpr char kVokWebPage[] =
    "Vok ist nicht installiert oder die Version ist zu gering.\r\n"
    "Es wird jetzt die Webseite aufgerufen, auf der S\xED"
    "e Vok finden\r\n"
    "Installieren Sie das Programm, und f\xFChren Sie den Vorgang dann nochmals aus.";
constexpr char kOpenDatabase[] =
    "Sie m\xFCssen zur Installation eine Datenbank in Varnel \xF6"
    "ffnen.\r\nWiederholen Sie dann die Installation.";

TEST(VersionNumber, DotsAreRemovedAndTheRestReadAsDecimal) {
    EXPECT_EQ(VersionNumber("6.00.12.537"), 60012537);
    EXPECT_EQ(VersionNumber("6.00.12.538"), 60012538);
    EXPECT_EQ(VersionNumber("3.0.0.1"), 3001);
    EXPECT_EQ(VersionNumber(" \t3.0.0.0\r\n"), 3000);
    EXPECT_EQ(VersionNumber("10.00.00.000"), 100000000);
    EXPECT_EQ(VersionNumber("21.47.48.3647"), 2147483647);
}

TEST(VersionNumber, TextsThatAreNoSmallIntegerCountAsZero) {
    EXPECT_EQ(VersionNumber("21.47.48.3648"), 0);
    EXPECT_EQ(VersionNumber("10.00.00.00000"), 0);
    EXPECT_EQ(VersionNumber("99.99.99.9999"), 0);
    EXPECT_EQ(VersionNumber(""), 0);
    EXPECT_EQ(VersionNumber("6.0 beta"), 0);
    EXPECT_EQ(VersionNumber("6, 0, 1, 2"), 0);
    EXPECT_EQ(VersionNumber("0x10"), 0);
}

class Installation : public testing::ScratchEnvironmentTest {
  protected:
    void SetUp() override {
        ScratchEnvironmentTest::SetUp();
        record_ = Path("launched.txt");
        launcher_ =
            WriteScript("bin/launcher", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record_ +
                                            "'; done\necho end >> '" + record_ + "'\n");
        Remember("FOLDANT_EXE_LAUNCHER", launcher_);
        Remember("FOLDANT_OPEN_COMMAND", launcher_);
        show_ = [this](const std::string& text) { boxes_.push_back(text); };
    }

    void InstallVarnel(const std::u16string& version) {
        VersionFixture fixture;
        fixture.fileVersion = version;
        Write("Varnel/tormex.exe", BuildPeImage(fixture));
        WriteRegistryValue(kVarnelUninstallKey, "InstallLocation", Path("Varnel"));
    }

    std::string InstallVok(const std::u16string& version) {
        VersionFixture fixture;
        fixture.fileVersion = version;
        fixture.pe32Plus = true;
        std::string exe = Write("Vok Programm/vok.exe", BuildPeImage(fixture));
        WriteRegistryValue(kVokUninstallKey, "InstallLocation", Path("Vok Programm") + "/");
        return exe;
    }

    std::string record_;
    std::string launcher_;
    std::vector<std::string> boxes_;
    TInstallMessage show_;
};

TEST_F(Installation, VarnelVersionMustBeAbove60012537) {
    InstallVarnel(u"6.00.12.537");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel, show_));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Varnel Version ist zu gering.\r\n");
    InstallVarnel(u"6.00.12.538");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel, show_));
    EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(Installation, VersionTooLargeForAnIntegerIsTooOld) {
    InstallVarnel(u"10.00.00.00000");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel, show_));
    // Nine digits still fit: version 10 is new enough.
    InstallVarnel(u"10.00.00.000");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel, show_));
}

TEST_F(Installation, FileWithoutVersionResourceIsTooOld) {
    Write("Varnel/tormex.exe", "not a program");
    WriteRegistryValue(kVarnelUninstallKey, "InstallLocation", Path("Varnel"));
    EXPECT_EQ(ProgramVersion(Path("Varnel/tormex.exe")).Exists, true);
    EXPECT_EQ(ProgramVersion(Path("Varnel/tormex.exe")).VersionText, "");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel, show_));
}

TEST_F(Installation, VokVersionMustBeAbove3000) {
    InstallVok(u"3.0.0.0");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVok, show_));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Vok Version ist zu gering.\r\n");
    InstallVok(u"3.0.0.1");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVok, show_));
}

TEST_F(Installation, BothProgramsCheckedAtOnceListEveryComplaint) {
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel | kCheckVok, show_));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Varnel fehlt!\r\nVok fehlt!\r\n");
    InstallVarnel(u"7.00.00.000");
    InstallVok(u"4.0.0.0");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel | kCheckVok, show_));
}

TEST_F(Installation, MissingVarnelStopsAfterOneBox) {
    InstallVok(u"4.0.0.0");
    TWorkerPoolScope pool;
    InstallModule(kTitle, kRecord, show_);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Varnel fehlt!\r\n");
    EXPECT_FALSE(PathIsFile(GetTempFolder() + kRecordFileName));
}

TEST_F(Installation, BoxesGoToThePlatformWithTheCaptionInstallation) {
    std::vector<std::string> shown;
    auto previous =
        platform::SetMessageBoxHandler([&](const std::string& caption, const std::string& text) {
            shown.push_back(caption + "|" + text);
        });
    InstallModule(kTitle, kRecord);
    platform::SetMessageBoxHandler(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::string("Installation|") + kWillNotWork + "Varnel fehlt!\r\n");
}

TEST_F(Installation, MissingVokAnnouncesAndOpensTheSearchPage) {
    InstallVarnel(u"6.00.12.538");
    TWorkerPoolScope pool;
    InstallModule(kTitle, kRecord, show_);
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Vok fehlt!\r\n");
    EXPECT_EQ(boxes_[1], kVokWebPage);
    std::string opened = testing::WaitForFile(record_);
    EXPECT_EQ(opened, std::string(kVokSearchPage) + "\nend\n");
    EXPECT_NE(opened.find("/fts.html?q=Vok"), std::string::npos);
    EXPECT_FALSE(PathIsFile(GetTempFolder() + kRecordFileName));
}

TEST_F(Installation, WithoutServiceTheUserIsAskedToOpenADatabase) {
    InstallVarnel(u"6.00.12.538");
    InstallVok(u"3.0.0.1");
    TWorkerPoolScope pool;
    InstallModule(kTitle, kRecord, show_);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], kOpenDatabase);
    EXPECT_EQ(Read(GetTempFolder() + kRecordFileName), std::string(kRecord) + "\r\n");
    EXPECT_FALSE(std::filesystem::exists(record_));
}

class InstallationWithService : public Installation {
  protected:
    void StartService(const std::string& database) {
        service_ = std::make_unique<TLocalServiceStandIn>(database, log_);
        thread_ = std::thread([this] { service_->Run(stop_); });
    }
    void TearDown() override {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        service_.reset();
        Installation::TearDown();
    }
    std::ostringstream log_;
    std::unique_ptr<TLocalServiceStandIn> service_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(InstallationWithService, WholeRunStartsVokWithTheRecord) {
    InstallVarnel(u"6.00.12.538");
    std::string vok = InstallVok(u"3.0.0.1");
    std::filesystem::create_directories(Path("Daten/Firma A"));
    StartService(Path("Daten/Firma A"));
    {
        TWorkerPoolScope pool;
        InstallModule(kTitle, kRecord, show_);
    }
    std::string recordFile = GetTempFolder() + kRecordFileName;
    EXPECT_EQ(Read(recordFile), std::string(kRecord) + "\r\n");
    EXPECT_EQ(testing::WaitForFile(record_), vok + "\n" + recordFile + "\nU\nend\n");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Foldant wurde f\xFCr die Datenbank \r\n" + Path("Daten/Firma A") +
                             "/\r\ninstalliert.\r\nF\xFCr andere Datenbanken:\r\n\xD6"
                             "ffnen Sie die gew\xFCnschte Datenbank in Varnel,\r\n"
                             "und wiederholen Sie dann jeweils die Installation.");
    EXPECT_NE(log_.str().find("COMMAND=DBPATH"), std::string::npos);
}

TEST_F(InstallationWithService, DatabaseFolderThatDoesNotExistAsksForADatabase) {
    InstallVarnel(u"6.00.12.538");
    InstallVok(u"3.0.0.1");
    StartService(Path("gone"));
    TWorkerPoolScope pool;
    InstallModule(kTitle, kRecord, show_);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], kOpenDatabase);
    EXPECT_EQ(service_->RequestCount(), 1);
}

TEST_F(Installation, HostServiceCommandAnswersTheDatabaseFolder) {
    std::filesystem::create_directories(Path("db"));
    auto service =
        platform::ChildProcess::Start(FOLDANT_HOST_PROGRAM, {"service", "--db", Path("db")});
    std::string nameFile = GetTempFolder() + kServiceNameFile;
    std::string answer;
    for (int i = 0; i < 500 && answer.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (PathIsFile(nameFile)) {
            answer = ReadDBPath();
        }
    }
    EXPECT_EQ(answer, Path("db") + platform::kPathDelimiter);
    EXPECT_EQ(Read(nameFile), std::string(kStandInPipeName) + "\r\n");
    EXPECT_EQ(ReadIPCValueSync("OTHER", true), "");
}

}  // namespace
}  // namespace foldant
