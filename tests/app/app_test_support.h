#pragma once

// Running the module and its host as separate processes, and a virtual X display for the
// window tests.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/child_process.h"

namespace foldant::apptest {

// Generous: the machine may be loaded, and the sanitizer build is slow.
inline constexpr int kPatienceMs = 30'000;

// Calls done until it answers true or the time is up; answers what done answered last.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kPatienceMs);

std::string ReadWholeFile(const std::string& path);

// The program of that name in a folder of PATH.
std::optional<std::string> FindProgram(const std::string& name);

// A folder of the test (UTF-8 on disk, its path in Windows-1252 here), removed at the end.
class TestFolder {
  public:
    // name may hold characters beyond ASCII (Windows-1252).
    explicit TestFolder(const std::string& name = "files");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    // Copies a file of the bundled samples.
    std::string Sample(const std::string& sample, const std::string& name) const;
    std::string Text(const std::string& name, const std::string& content) const;

  private:
    std::string path_;
};

// Pages of a PDF file as an outside checker counts them; nothing without the checker.
std::optional<int> PdfPageCount(const std::string& path);
bool HasPdfChecker();

struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

// Starts a program whose output goes to a file of the folder.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const TestFolder& folder);
    // Waits for the end (killing the program when it is late) and answers its output.
    ProgramRun Finish(int timeoutMs = 2 * kPatienceMs);
    std::string OutputSoFar() const;
    std::optional<int> WaitFor(int timeoutMs) { return process_->WaitFor(timeoutMs); }

  private:
    std::string outputPath_;
    std::unique_ptr<platform::ChildProcess> process_;
};

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const TestFolder& folder, int timeoutMs = 2 * kPatienceMs);

// Without a display the module draws off screen.
void UseNoDisplay();

// An X server of its own for the test, on a free display number; DISPLAY names it while it
// runs.
class VirtualDisplay {
  public:
    // Nothing when Xvfb is not installed or does not start; why is told in `reason`.
    static std::unique_ptr<VirtualDisplay> Start(std::string& reason);
    ~VirtualDisplay();

    // xdotool with the arguments; answers its output (trimmed), or nothing when it failed.
    std::optional<std::string> Tool(const std::vector<std::string>& arguments) const;
    // The id of the visible window with this title, once one appears.
    std::optional<std::string> WaitForWindow(const std::string& title,
                                             int timeoutMs = kPatienceMs) const;
    bool WindowVisible(const std::string& title) const;

  private:
    VirtualDisplay(std::unique_ptr<platform::ChildProcess> server, int number);
    std::unique_ptr<platform::ChildProcess> server_;
    int number_;
    std::unique_ptr<TestFolder> scratch_;
};

// Widgets and font metrics need the application object; the test program's own draws off
// screen. Made once, kept to the end.
void EnsureOffscreenApplication();

inline constexpr char kWindowTitle[] = "PDF in einer Datei vereinen";

}  // namespace foldant::apptest
