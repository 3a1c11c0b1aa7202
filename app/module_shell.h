#pragma once

// The module shell: single instance, hand-over to a running instance, run and install modes,
// the main window's placement and the message loop. Nothing here knows what the module does.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "exchange/module_state.h"
#include "platform/message_loop.h"

namespace foldant {

// What the shell needs of its main window.
class TModuleWindow {
  public:
    virtual ~TModuleWindow() = default;
    // The outer size, for placing the window around a point.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void MoveTo(int left, int top) = 0;
    // The endpoint that close requests and hand-over records are sent to.
    virtual platform::WindowHandle Handle() const = 0;
};

struct TMainWindowClass {
    std::string Name;
    std::function<std::unique_ptr<TModuleWindow>()> Create;
};

// arguments: the command line in Windows-1252, the program path first. Answers the process's
// exit code. mainWindow holds the main window while the loop runs.
int RunModule(const std::vector<std::string>& arguments, const std::string& title,
              const TMainWindowClass& mainWindowClass, std::unique_ptr<TModuleWindow>& mainWindow,
              const std::string& guid, const std::string& filterScript);

// The main window's endpoint while the loop runs; null before and after.
platform::WindowHandle MainWindowHandle();
bool IsDebugRun();
const std::string& MainWindowClassName();
const TModuleArguments& ModuleArguments();
// The shell as the exchange channel sees it.
const TModuleState& ModuleState();

// Hands argument 1 of this process to every main window of the class; nothing when no class is
// set.
void HandOverChannel();

}  // namespace foldant
