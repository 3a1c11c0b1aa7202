#pragma once

// The window toolkit as the module shell sees it: Qt on Linux, Win32 itself on Windows. It is
// started before any window exists and lives until the shell returns.

#include <memory>
#include <string>

namespace foldant {

class TWindowToolkit {
  public:
    virtual ~TWindowToolkit() = default;
    // Runs the loop until the main window has closed.
    virtual void Run() = 0;
};

// title: the application's title, which message boxes without a caption show. programName is
// the only argument the toolkit sees: a channel name must never be taken for one of its options.
std::unique_ptr<TWindowToolkit> StartWindowToolkit(const std::string& title,
                                                   const std::string& programName);

}  // namespace foldant
