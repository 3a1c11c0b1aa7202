#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace foldant::platform {

// A program started by this process and waited for. Program path and arguments are
// Windows-1252 text. A process still running when the object is destroyed is killed and reaped.
class ChildProcess {
  public:
    // Raises OsError when the program cannot be started. With an output path, the program's
    // standard output and error go to that file (created or truncated).
    static std::unique_ptr<ChildProcess> Start(const std::string& program,
                                               const std::vector<std::string>& arguments,
                                               const std::string& outputPath = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once the process has ended (128 + signal for a killed one), or nothing when
    // it is still running after the given time.
    std::optional<int> WaitFor(int timeoutMs);
    void Kill();

  private:
    explicit ChildProcess(int pid) : pid_(pid) {}
    int pid_;
    std::optional<int> exitCode_;
};

// The full path of the running program, as Windows-1252 text.
std::string CurrentExecutablePath();

}  // namespace foldant::platform
