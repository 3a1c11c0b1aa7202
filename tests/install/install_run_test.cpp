// The installation as the suite's user starts it: the real program in install mode, as a process
// of its own, with uninstall entries and programs of the suite on disk, the local service played
// by foldant-host, and a launcher and an opener that record what they were asked to start.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "install/installer.h"
#include "install/local_service.h"
#include "platform/child_process.h"
#include "tests/install/pe_fixture.h"
#include "tests/install/scratch_environment.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

using testing::BuildPeImage;
using testing::VersionFixture;

constexpr int kPatienceMs = 60'000;

class InstallRun : public testing::ScratchEnvironmentTest {
  protected:
    void SetUp() override {
        ScratchEnvironmentTest::SetUp();
        launched_ = Path("launched.txt");
        opened_ = Path("opened.txt");
        Remember("FOLDANT_EXE_LAUNCHER", Recorder("bin/launcher", launched_));
        Remember("FOLDANT_OPEN_COMMAND", Recorder("bin/opener", opened_));
        // Without a display the module's message boxes go to its standard error.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            Remember(name, "");
        }
    }

    std::string Recorder(const std::string& name, const std::string& record) {
        return WriteScript(name, "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record +
                                     "'; done\necho end >> '" + record + "'\n");
    }

    void InstallProgram(const std::string& folder, const std::string& exe,
                        const std::u16string& version, const char* uninstallKey) {
        VersionFixture fixture;
        fixture.fileVersion = version;
        Write(folder + "/" + exe, BuildPeImage(fixture));
        WriteRegistryValue(uninstallKey, "InstallLocation", Path(folder));
    }

    // Runs `foldant INSTALLVOK` to its end; answers what it printed.
    std::string RunInstallation() {
        std::string output = Path("foldant-output.txt");
        auto module = platform::ChildProcess::Start(FOLDANT_MODULE_PROGRAM, {"INSTALLVOK"}, output);
        auto exitCode = module->WaitFor(kPatienceMs);
        EXPECT_EQ(exitCode, std::optional<int>(0)) << Read(output);
        return Read(output);
    }

    std::string launched_;
    std::string opened_;
};

TEST_F(InstallRun, StartsVokWithTheRecordForTheServicesDatabase) {
    InstallProgram("Varnel", "tormex.exe", u"6.00.12.538", kVarnelUninstallKey);
    InstallProgram("Vok", "vok.exe", u"3.0.0.1", kVokUninstallKey);
    std::filesystem::create_directories(Path("Daten"));
    auto service = platform::ChildProcess::Start(
        FOLDANT_HOST_PROGRAM, {"service", "--db", Path("Daten")}, Path("service-output.txt"));
    std::string nameFile = GetTempFolder() + kServiceNameFile;
    ASSERT_FALSE(testing::WaitForFile(nameFile).empty()) << Read(Path("service-output.txt"));

    std::string output = RunInstallation();
    EXPECT_NE(output.find("Foldant wurde für die Datenbank \r\n" + Path("Daten") + "/\r\n"),
              std::string::npos)
        << output;
    std::string record = GetTempFolder() + kRecordFileName;
    EXPECT_EQ(testing::WaitForFile(launched_), Path("Vok") + "/vok.exe\n" + record + "\nU\nend\n");
    EXPECT_NE(Read(record).find("\"ServerExeName\":\""), std::string::npos) << Read(record);
    EXPECT_FALSE(std::filesystem::exists(opened_));
}

TEST_F(InstallRun, OpensTheWebPageWhenVokIsTooOld) {
    InstallProgram("Varnel", "tormex.exe", u"6.00.12.538", kVarnelUninstallKey);
    InstallProgram("Vok", "vok.exe", u"3.0.0.0", kVokUninstallKey);
    std::string output = RunInstallation();
    EXPECT_NE(output.find("Vok Version ist zu gering."), std::string::npos) << output;
    EXPECT_EQ(testing::WaitForFile(opened_), std::string(kVokSearchPage) + "\nend\n");
    EXPECT_FALSE(std::filesystem::exists(launched_));
}

}  // namespace
}  // namespace foldant
