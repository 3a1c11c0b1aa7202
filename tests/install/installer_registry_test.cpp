// Install mode on Windows, against the real registry: the uninstall entries are written into the
// 32-bit view of HKEY_LOCAL_MACHINE with reg.exe, as the suite's installers leave them, and Vok
// and the web browser are real programs that record what they were started with.

#ifdef _WIN32

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "install/installer.h"
#include "install/local_service.h"
#include "install/worker_pool.h"
#include "pe_fixture.h"
#include "platform/child_process.h"
#include "platform/file_stream.h"
#include "tools/foldant-service/local_service_standin.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing::BuildPeImage;
using testing::VersionFixture;

constexpr char kTitle[] = "Foldant";
constexpr char kRecord[] = R"({"Items":[{"Info":"PDF","UID":"{1}"}]})";
constexpr char kWillNotWork[] = "Foldant wird nicht wie erwartet funkionieren!\r\n";
constexpr char kOpenDatabase[] =
    "Sie m\xFCssen zur Installation eine Datenbank in Varnel \xF6"
    "ffnen.\r\nWiederholen Sie dann die Installation.";

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs reg.exe of the prefix; true when it succeeded.
bool Reg(const std::vector<std::string>& arguments) {
    const char* windows = std::getenv("SystemRoot");
    const std::string program =
        std::string(windows != nullptr ? windows : "C:\\windows") + "\\system32\\reg.exe";
    auto reg = platform::ChildProcess::Start(program, arguments, "NUL");
    return reg->WaitFor(60000) == 0;
}

// A 64-bit system keeps a 32-bit view of its own beside the native one.
bool HasTwoRegistryViews() {
    const char* windows = std::getenv("SystemRoot");
    return fs::is_directory(std::string(windows != nullptr ? windows : "C:\\windows") +
                            "\\syswow64");
}

class RegistryInstallation : public ::testing::Test {
  protected:
    void SetUp() override {
        // The registry is shared by every test program of the prefix; tests that write the
        // suite's entries take turns.
        const std::string lock =
            (fs::temp_directory_path() / "foldant-registry-fixture.lock").string();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (lock_ == nullptr && std::chrono::steady_clock::now() < deadline) {
            try {
                lock_ = platform::FileStream::Open(lock, platform::FileAccess::ReadWrite,
                                                   platform::FileShare::None,
                                                   platform::FileCreation::OpenAlways);
            } catch (const std::exception&) {
                lock_.reset();
            }
            if (lock_ == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        ASSERT_NE(lock_, nullptr) << "another test kept the registry fixture";
        root_ = fs::temp_directory_path() /
                ("foldant-install-" + std::to_string(std::random_device{}()));
        fs::create_directories(root_ / "tmp");
        Remember("TMP", (root_ / "tmp").string());
        Remember("TEMP", (root_ / "tmp").string());
        record_ = root_ / "started.txt";
        Remember("FOLDANT_TEST_RECORD", record_.string());
        RemoveEntries();
        show_ = [this](const std::string& text) { boxes_.push_back(text); };
    }

    void TearDown() override {
        RemoveEntries();
        for (const auto& [name, value] : saved_) {
            _putenv_s(name.c_str(), value.c_str());
        }
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void Remember(const std::string& name, const std::string& value) {
        if (saved_.find(name) == saved_.end()) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old != nullptr ? old : "";
        }
        _putenv_s(name.c_str(), value.c_str());
    }

    static void RemoveEntries() {
        for (const char* key : {kVarnelUninstallKey, kVokUninstallKey}) {
            for (const char* view : {"/reg:32", "/reg:64"}) {
                Reg({"delete", std::string("HKLM") + key, "/f", view});
            }
        }
    }

    static void WriteEntry(const std::string& key, const std::string& location,
                           const char* view = "/reg:32") {
        ASSERT_TRUE(Reg({"add", "HKLM" + key, "/v", "InstallLocation", "/d", location, "/f", view}))
            << key;
    }

    std::string Write(const std::string& relative, const std::string& bytes) const {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    void InstallVarnel(const std::u16string& version, const char* view = "/reg:32") {
        VersionFixture fixture;
        fixture.fileVersion = version;
        Write("Varnel\\tormex.exe", BuildPeImage(fixture));
        WriteEntry(kVarnelUninstallKey, (root_ / "Varnel").string(), view);
    }

    // Vok is the recording program, whose version resource says 3.0.0.1. It lies in a folder
    // with a blank, as under Program Files, and must still receive exactly two arguments.
    std::string InstallVok() {
        const fs::path vok = root_ / "Vok Programm" / "vok.exe";
        fs::create_directories(vok.parent_path());
        fs::copy_file(kRecorder, vok);
        WriteEntry(kVokUninstallKey, vok.parent_path().string() + "\\");
        return vok.string();
    }

    // Pipe names are shared by every process of the system, so each test's service has its own;
    // clients find it through the name file in the temporary folder.
    std::string PipeName() const { return "FoldantTest-" + root_.filename().string(); }

    std::string WaitForRecord() const {
        for (int i = 0; i < 1000; ++i) {
            const std::string text = Read(record_);
            if (text.size() >= 4 && text.compare(text.size() - 4, 4, "end\n") == 0) {
                return text;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {};
    }

    static inline const fs::path kRecorder =
        fs::path(FOLDANT_BINARY_DIR) / "tests" / "foldant-test-recorder.exe";
    std::unique_ptr<platform::FileStream> lock_;
    fs::path root_;
    fs::path record_;
    std::map<std::string, std::string> saved_;
    std::vector<std::string> boxes_;
    TInstallMessage show_;
};

TEST_F(RegistryInstallation, VersionsAreReadFromTheFilesTheUninstallEntriesName) {
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel | kCheckVok, show_));
    InstallVarnel(u"6.00.12.537");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel, show_));
    InstallVarnel(u"6.00.12.538");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel, show_));
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel | kCheckVok, show_));
    const std::string vok = InstallVok();
    EXPECT_EQ(InstalledProgramPath(kVokUninstallKey, "vok.exe"), vok);
    EXPECT_EQ(ProgramVersion(vok).VersionText, "3.0.0.1");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel | kCheckVok, show_));
    ASSERT_EQ(boxes_.size(), 3u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Varnel fehlt!\r\nVok fehlt!\r\n");
    EXPECT_EQ(boxes_[1], std::string(kWillNotWork) + "Varnel Version ist zu gering.\r\n");
    EXPECT_EQ(boxes_[2], std::string(kWillNotWork) + "Vok fehlt!\r\n");
}

TEST_F(RegistryInstallation, EntriesOfTheNativeViewOfA64BitSystemAreNotTheSuites) {
    if (!HasTwoRegistryViews()) {
        GTEST_SKIP() << "a 32-bit system has one registry view";
    }
    InstallVarnel(u"7.00.00.000", "/reg:64");
    EXPECT_EQ(InstalledProgramPath(kVarnelUninstallKey, "tormex.exe"), "");
    EXPECT_FALSE(CheckPrograms(kTitle, kCheckVarnel, show_));
    InstallVarnel(u"7.00.00.000");
    EXPECT_TRUE(CheckPrograms(kTitle, kCheckVarnel, show_));
}

TEST_F(RegistryInstallation, MissingVokOpensTheSearchPageInTheBrowser) {
    InstallVarnel(u"6.00.12.538");
    Remember("FOLDANT_OPEN_COMMAND", kRecorder.string());
    {
        TWorkerPoolScope pool;
        InstallModule(kTitle, kRecord, show_);
    }
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[0], std::string(kWillNotWork) + "Vok fehlt!\r\n");
    EXPECT_EQ(WaitForRecord(), std::string(kVokSearchPage) + "\nend\n");
}

TEST_F(RegistryInstallation, WholeRunStartsVokWithTheRecordForTheServicesDatabase) {
    InstallVarnel(u"6.00.12.538");
    const std::string vok = InstallVok();
    const fs::path database = root_ / "Daten" / "Firma A";
    fs::create_directories(database);
    std::ostringstream log;
    std::atomic<bool> stop{false};
    auto service = std::make_unique<TLocalServiceStandIn>(database.string(), log, PipeName());
    std::thread serving([&] { service->Run(stop); });
    {
        TWorkerPoolScope pool;
        InstallModule(kTitle, kRecord, show_);
    }
    stop = true;
    serving.join();
    const std::string recordFile = GetTempFolder() + kRecordFileName;
    EXPECT_EQ(Read(recordFile), std::string(kRecord) + "\r\n");
    EXPECT_EQ(WaitForRecord(), recordFile + "\nU\nend\n");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Foldant wurde f\xFCr die Datenbank \r\n" + database.string() +
                             "\\\r\ninstalliert.\r\nF\xFCr andere Datenbanken:\r\n\xD6"
                             "ffnen Sie die gew\xFCnschte Datenbank in Varnel,\r\n"
                             "und wiederholen Sie dann jeweils die Installation.");
}

TEST_F(RegistryInstallation, WithoutServiceTheRecordIsWrittenAndADatabaseAskedFor) {
    InstallVarnel(u"6.00.12.538");
    InstallVok();
    {
        TWorkerPoolScope pool;
        InstallModule(kTitle, kRecord, show_);
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], kOpenDatabase);
    EXPECT_EQ(Read(GetTempFolder() + kRecordFileName), std::string(kRecord) + "\r\n");
    EXPECT_FALSE(fs::exists(record_));
}

#ifdef FOLDANT_MODULE_PROGRAM
// The installation as a user starts it: the module program in install mode, the local service
// played by foldant-host; the module's boxes go to its standard error in unattended runs.
TEST_F(RegistryInstallation, ModuleProgramInInstallModeStartsVokForTheServicesDatabase) {
    InstallVarnel(u"6.00.12.538");
    InstallVok();
    const fs::path database = root_ / "Daten";
    fs::create_directories(database);
    const std::string serviceOutput = (root_ / "service-output.txt").string();
    auto service = platform::ChildProcess::Start(
        FOLDANT_HOST_PROGRAM, {"service", "--db", database.string(), "--pipe", PipeName()},
        serviceOutput);
    const std::string nameFile = GetTempFolder() + kServiceNameFile;
    for (int i = 0; i < 1000 && !fs::exists(nameFile); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(nameFile)) << Read(serviceOutput);

    const std::string output = (root_ / "foldant-output.txt").string();
    auto module = platform::ChildProcess::Start(FOLDANT_MODULE_PROGRAM, {"INSTALLVOK"}, output);
    EXPECT_EQ(module->WaitFor(60000), std::optional<int>(0)) << Read(output);
    const std::string printed = Read(output);
    EXPECT_NE(printed.find("Foldant wurde f\xC3\xBCr die Datenbank "), std::string::npos)
        << printed;
    EXPECT_NE(printed.find(database.string() + "\\"), std::string::npos) << printed;
    const std::string recordFile = GetTempFolder() + kRecordFileName;
    EXPECT_EQ(WaitForRecord(), recordFile + "\nU\nend\n");
    EXPECT_NE(Read(recordFile).find("\"ServerExeName\":\""), std::string::npos) << Read(recordFile);
}
#endif

}  // namespace
}  // namespace foldant

#endif
