#include "app/module_shell.h"

#include "app/hand_over.h"
#include "app/instance_lock.h"
#include "app/registration_record.h"
#include "app/window_toolkit.h"
#include "exchange/exchange_object.h"
#include "install/installer.h"
#include "platform/message_box.h"
#include "util/file_utils.h"
#include "util/job_files.h"

namespace foldant {

namespace {

class TShellState : public TModuleState {
  public:
    platform::WindowHandle MainWindowHandle() const override { return mainWindow; }
    bool IsDebugRun() const override { return IsDebugArgument(arguments.Channel); }

    std::string mainWindowClassName;
    platform::WindowHandle mainWindow = 0;
    TModuleArguments arguments;
};

TShellState& Shell() {
    static TShellState state;
    return state;
}

void PlaceWindow(TModuleWindow& window, int x, int y) {
    auto placement = PlacementAround(x, y, window.Width(), window.Height());
    if (placement) {
        window.MoveTo(placement->Left, placement->Top);
    }
}

void RunWindow(TWindowToolkit& toolkit, const TMainWindowClass& mainWindowClass,
               std::unique_ptr<TModuleWindow>& mainWindow, TInstanceLock& lock) {
    mainWindow = mainWindowClass.Create();
    PlaceWindow(*mainWindow, Shell().arguments.X, Shell().arguments.Y);
    Shell().mainWindow = mainWindow->Handle();
    toolkit.Run();
    Shell().mainWindow = 0;
    lock.Release();
    mainWindow.reset();
}

void RunInstallation(const std::string& title, const std::string& guid,
                     const std::string& filterScript) {
    std::string record = RegistrationRecordText(
        TRegistration{title, Shell().arguments.ProgramPath, filterScript, guid});
    InstallModule(title, record);
}

}  // namespace

int RunModule(const std::vector<std::string>& arguments, const std::string& title,
              const TMainWindowClass& mainWindowClass, std::unique_ptr<TModuleWindow>& mainWindow,
              const std::string& guid, const std::string& filterScript) {
    Shell().mainWindowClassName = mainWindowClass.Name;
    Shell().arguments = ReadModuleArguments(arguments);
    std::string programName = arguments.empty() ? std::string("foldant") : arguments.front();
    std::unique_ptr<TWindowToolkit> toolkit = StartWindowToolkit(title, programName);

    auto lock = TInstanceLock::Acquire(guid);
    if (!lock) {
        HandOverChannel();
        return 0;
    }
    try {
        if (!IsInstallArgument(Shell().arguments.Channel)) {
            // Working files of runs that were killed; those of running instances stay.
            RemoveStaleJobFiles(GetTempFolder());
            RunWindow(*toolkit, mainWindowClass, mainWindow, *lock);
        } else {
            RunInstallation(title, guid, filterScript);
        }
    } catch (const std::exception& error) {
        Shell().mainWindow = 0;
        mainWindow.reset();
        platform::ShowMessageBox({}, error.what());
        return 1;
    }
    return 0;
}

platform::WindowHandle MainWindowHandle() {
    return Shell().mainWindow;
}

bool IsDebugRun() {
    return Shell().IsDebugRun();
}

const std::string& MainWindowClassName() {
    return Shell().mainWindowClassName;
}

const TModuleArguments& ModuleArguments() {
    return Shell().arguments;
}

const TModuleState& ModuleState() {
    return Shell();
}

void HandOverChannel() {
    if (Shell().mainWindowClassName.empty()) {
        return;
    }
    std::string payload = Shell().arguments.Channel;
    payload.push_back('\0');
    SendHandOverRecord(Shell().mainWindowClassName, ChannelHandOverTag, payload);
}

}  // namespace foldant
