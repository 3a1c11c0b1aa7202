// Another user of the same machine shares the temporary folders with this one. Nothing that
// user plants there (folders, links, sockets, a local service) may be used by the module. The
// tests play that user with a second account, which they create when they run as root.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/hand_over.h"
#include "exchange/exchange_object.h"
#include "exchange/marker_file.h"
#include "install/local_service.h"
#include "platform/file_system.h"
#include "platform/named_pipe.h"
#include "platform/os_error.h"
#include "platform/windows1252.h"
#include "tests/app/app_test_support.h"
#include "util/file_errors.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;

constexpr char kOtherUser[] = "foldant-other";

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

class OtherUser : public ::testing::Test {
  protected:
    void SetUp() override {
        if (platform::UserIdText() != "0") {
            GTEST_SKIP() << "skipped: playing a second local user needs root to create one";
        }
        if (!Shell(std::string("id -u ") + kOtherUser +
                   " >/dev/null 2>&1 || useradd --system "
                   "--no-create-home " +
                   kOtherUser + " >/dev/null 2>&1")) {
            GTEST_SKIP() << "skipped: the second user " << kOtherUser << " cannot be created";
        }
        root_ = "/tmp/fo-" + std::to_string(std::random_device{}() % 1000000000u);
        fs::create_directories(root_ + "/tmp");
        // A shared temporary folder, like /tmp itself.
        fs::permissions(root_, fs::perms::all);
        fs::permissions(root_ + "/tmp", fs::perms::all | fs::perms::sticky_bit);
        Save("TMPDIR", root_ + "/tmp");
        Save("XDG_RUNTIME_DIR", "");
        apptest::UseNoDisplay();
    }
    void TearDown() override {
        if (root_.empty()) {
            return;
        }
        Shell("pkill -KILL -u " + std::string(kOtherUser) + " >/dev/null 2>&1");
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    void Save(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    // Runs a shell command as the other user, with the same temporary folder.
    bool AsOther(const std::string& command) {
        return Shell("runuser -u " + std::string(kOtherUser) +
                     " -- env TMPDIR=" + Quoted(root_ + "/tmp") + " sh -c " + Quoted(command));
    }
    std::string Tmp(const std::string& name) const { return root_ + "/tmp/" + name; }

    std::string root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(OtherUser, FoldersAndLinksTheyPlantAreNeverUsed) {
    std::string victim = root_ + "/victim.txt";
    std::ofstream(victim) << "precious";
    std::string uid = platform::UserIdText();
    std::string plant;
    for (const std::string& name : {std::string("QvTempDir"), "QvTempDir-" + uid,
                                    "QvTempDir-" + uid + "-1", "QvTempDir-" + uid + "-2"}) {
        plant += "mkdir -m 777 " + Quoted(Tmp(name)) + " && ln -s " + Quoted(victim) + " " +
                 Quoted(Tmp(name) + "/DoCallExternalServerExChangeMMF.txt") + " && ";
    }
    ASSERT_TRUE(AsOther(plant + "true"));

    EXPECT_THROW(GetTempFolder(), InOutError);

    std::string runtime = root_ + "/run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(GetTempFolder(), runtime + "/QvTempDir/");
    WriteMarkerFile("/the/module");
    EXPECT_EQ(ReadFile(MarkerFilePath()), "/the/module");
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(fs::status(runtime + "/QvTempDir").permissions() &
                  (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
}

TEST_F(OtherUser, AFolderOfOurOwnThatOthersMayWriteIsNotUsed) {
    std::string shared = Tmp("QvTempDir");
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all);
    EXPECT_EQ(GetTempFolder(), Tmp("QvTempDir-" + platform::UserIdText() + "/"));
}

TEST_F(OtherUser, TheirHandOverSocketLearnsNoChannelName) {
    // Their own module instance, waiting for hand-overs in their own folder.
    std::string program = root_ + "/foldant";
    fs::copy_file(FOLDANT_MODULE_PROGRAM, program);
    ASSERT_TRUE(AsOther(Quoted(program) + " DEBUG >/dev/null 2>&1 &"));
    std::string theirFolder;
    ASSERT_TRUE(apptest::WaitFor([&] {
        for (const char* name : {"QvTempDir"}) {
            std::error_code error;
            for (const auto& entry :
                 fs::directory_iterator(Tmp(std::string(name) + "/TAttachmentsFrm"), error)) {
                theirFolder = entry.path().string();
                return true;
            }
        }
        return false;
    }));
    // Planted among our sockets (as if our folder had been open to them).
    std::string ours = AnsiToUtf8(WithTrailingDelimiter(GetTempFolder("TAttachmentsFrm")));
    ASSERT_NE(fs::path(theirFolder).parent_path().string() + "/", ours);
    fs::create_symlink(theirFolder, ours + "1-1.sock");
    EXPECT_EQ(SendHandOverRecord("TAttachmentsFrm", ChannelHandOverTag,
                                 std::string("varnel-secret") + '\0', 5000),
              0);
}

TEST_F(OtherUser, TheirLocalServiceIsNotAskedForTheDatabase) {
    std::string program = root_ + "/foldant-service";
    fs::copy_file(std::string(FOLDANT_BINARY_DIR) + "/bin/foldant-service", program);
    fs::create_directories(root_ + "/theirs");
    ASSERT_TRUE(AsOther(Quoted(program) + " service --db " + Quoted(root_ + "/theirs") +
                        " --pipe VNL-SERVICE >/dev/null 2>&1 &"));
    ASSERT_TRUE(apptest::WaitFor([&] { return fs::exists(Tmp("pipe/VNL-SERVICE")); }));
    SaveLinesRetry({"VNL-SERVICE"}, GetTempFolder() + kServiceNameFile);
    EXPECT_EQ(ReadDBPath(), "");
    // Whoever owns the pipe folder may remove the sockets in it: a service of ours stays out.
    EXPECT_THROW(platform::PipeServer::Create("OUR-SERVICE"), platform::OsError);
}

}  // namespace
}  // namespace foldant
