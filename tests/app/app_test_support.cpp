#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/guid.h"
#include "platform/windows1252.h"

namespace foldant::apptest {

namespace {

std::filesystem::path OnDisk(const std::string& ansiPath) {
    return std::filesystem::path(AnsiToUtf8(ansiPath));
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Each test program gets a temporary folder of its own (and so its own instance lock and
// hand-over sockets), short enough for socket paths.
class TempFolderEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        folder_ = "/tmp/fa-" + platform::NewGuidText().substr(0, 8);
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        ::setenv("TMPDIR", folder_.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        // The programs the tests start keep the font library's allocations out of their leak
        // reports, as this program does by the hook below.
        std::string options =
            "suppressions=" + std::string(FOLDANT_SOURCE_DIR) + "/tests/app/lsan.supp";
        if (const char* given = std::getenv("LSAN_OPTIONS"); given && *given) {
            options = std::string(given) + ":" + options;
        }
        ::setenv("LSAN_OPTIONS", options.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

  private:
    std::string folder_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TempFolderEnvironment);

}  // namespace

std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && std::filesystem::exists(candidate)) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

void EnsureOffscreenApplication() {
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        auto* made = new QApplication(argc, argv);
        // Programs the tests start choose their platform themselves.
        qunsetenv("QT_QPA_PLATFORM");
        return made;
    }();
    (void)application;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(OnDisk(path), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TestFolder::TestFolder(const std::string& name)
    : path_(std::string(FOLDANT_BINARY_DIR) + "/app-test-" + platform::NewGuidText().substr(0, 8) +
            "/" + name) {
    std::filesystem::create_directories(OnDisk(path_));
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(OnDisk(path_).parent_path(), ignored);
}

std::string TestFolder::Sample(const std::string& sample, const std::string& name) const {
    std::string path = Path(name);
    std::filesystem::copy_file(std::filesystem::path(FOLDANT_SOURCE_DIR) / "samples" / sample,
                               OnDisk(path), std::filesystem::copy_options::overwrite_existing);
    return path;
}

std::string TestFolder::Text(const std::string& name, const std::string& content) const {
    std::string path = Path(name);
    std::filesystem::create_directories(OnDisk(path).parent_path());
    std::ofstream(OnDisk(path), std::ios::binary) << content;
    return path;
}

bool HasPdfChecker() {
    return FindProgram("qpdf").has_value();
}

std::optional<int> PdfPageCount(const std::string& path) {
    auto qpdf = FindProgram("qpdf");
    if (!qpdf) {
        return std::nullopt;
    }
    TestFolder scratch("qpdf");
    ProgramRun run = RunProgram(*qpdf, {"--show-npages", path}, scratch);
    if (run.exitCode != 0) {
        return std::nullopt;
    }
    return std::atoi(run.output.c_str());
}

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments, const TestFolder& folder)
    : outputPath_(folder.Path("output-" + platform::NewGuidText().substr(0, 8) + ".txt")),
      process_(platform::ChildProcess::Start(program, arguments, outputPath_)) {}

ProgramRun RunningProgram::Finish(int timeoutMs) {
    auto exitCode = process_->WaitFor(timeoutMs);
    if (!exitCode) {
        process_->Kill();
        process_->WaitFor(kPatienceMs);
    }
    return ProgramRun{exitCode.value_or(-1), ReadWholeFile(outputPath_)};
}

std::string RunningProgram::OutputSoFar() const {
    return ReadWholeFile(outputPath_);
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const TestFolder& folder, int timeoutMs) {
    return RunningProgram(program, arguments, folder).Finish(timeoutMs);
}

void UseNoDisplay() {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
}

std::unique_ptr<VirtualDisplay> VirtualDisplay::Start(std::string& reason) {
    auto server = FindProgram("Xvfb");
    if (!server || !FindProgram("xdotool")) {
        reason = "Xvfb or xdotool is not installed (apt-get install xvfb xdotool)";
        return nullptr;
    }
    for (int number = 90 + std::rand() % 100; number < 400; ++number) {
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) {
            continue;
        }
        auto process = platform::ChildProcess::Start(
            *server, {":" + std::to_string(number), "-screen", "0", "1280x1024x24", "-noreset",
                      "-nolisten", "tcp"});
        bool up = WaitFor(
            [&] { return std::filesystem::exists(socket) || process->WaitFor(0).has_value(); },
            kPatienceMs);
        if (!up || process->WaitFor(0)) {
            continue;
        }
        ::setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        std::unique_ptr<VirtualDisplay> display(new VirtualDisplay(std::move(process), number));
        // The socket file comes a moment before the server takes connections.
        if (WaitFor([&] { return display->Tool({"getdisplaygeometry"}).has_value(); })) {
            return display;
        }
    }
    reason = "no display number was free for Xvfb";
    return nullptr;
}

VirtualDisplay::VirtualDisplay(std::unique_ptr<platform::ChildProcess> server, int number)
    : server_(std::move(server)), number_(number), scratch_(std::make_unique<TestFolder>("x")) {}

VirtualDisplay::~VirtualDisplay() {
    ::unsetenv("DISPLAY");
    server_->Kill();
    server_->WaitFor(kPatienceMs);
    // A killed server leaves its socket and lock file behind.
    std::error_code ignored;
    std::filesystem::remove("/tmp/.X11-unix/X" + std::to_string(number_), ignored);
    std::filesystem::remove("/tmp/.X" + std::to_string(number_) + "-lock", ignored);
}

std::optional<std::string> VirtualDisplay::Tool(const std::vector<std::string>& arguments) const {
    ProgramRun run = RunProgram(*FindProgram("xdotool"), arguments, *scratch_, kPatienceMs);
    if (run.exitCode != 0) {
        return std::nullopt;
    }
    return Trimmed(run.output);
}

bool VirtualDisplay::WindowVisible(const std::string& title) const {
    auto found = Tool({"search", "--onlyvisible", "--name", title});
    return found && !found->empty();
}

std::optional<std::string> VirtualDisplay::WaitForWindow(const std::string& title,
                                                         int timeoutMs) const {
    std::optional<std::string> window;
    WaitFor(
        [&] {
            auto found = Tool({"search", "--onlyvisible", "--name", title});
            if (found && !found->empty()) {
                window = found->substr(0, found->find('\n'));
                return true;
            }
            return false;
        },
        timeoutMs);
    return window;
}

}  // namespace foldant::apptest

// Read by the leak checker of the sanitizer build; unused otherwise.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
