#include "app/module_shell.h"

#include <QApplication>
#include <QWidget>

#include "app/hand_over.h"
#include "app/instance_lock.h"
#include "app/registration_record.h"
#include "exchange/exchange_object.h"
#include "install/installer.h"
#include "platform/windows1252.h"
#include "ui/toolkit_bridge.h"
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

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

void PlaceWindow(QWidget& window, int x, int y) {
    auto placement = PlacementAround(x, y, window.width(), window.height());
    if (placement) {
        window.move(placement->Left, placement->Top);
    }
}

void RunWindow(const std::string& title, const TMainWindowClass& mainWindowClass,
               std::unique_ptr<TModuleWindow>& mainWindow, TInstanceLock& lock) {
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationDisplayName(FromAnsi(title));
    mainWindow = mainWindowClass.Create();
    PlaceWindow(mainWindow->Widget(), Shell().arguments.X, Shell().arguments.Y);
    Shell().mainWindow = mainWindow->Handle();
    QApplication::exec();
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
    ChooseToolkitPlatform();
    // The toolkit sees no arguments: a channel name must never be taken for one of its options.
    std::string programName = arguments.empty() ? std::string("foldant") : arguments.front();
    char* toolkitArguments[] = {programName.data(), nullptr};
    int toolkitArgumentCount = 1;
    QApplication application(toolkitArgumentCount, toolkitArguments);
    QApplication::setApplicationName(FromAnsi(title));
    TToolkitBridge bridge(FromAnsi(title));

    auto lock = TInstanceLock::Acquire(guid);
    if (!lock) {
        HandOverChannel();
        return 0;
    }
    try {
        if (!IsInstallArgument(Shell().arguments.Channel)) {
            // Working files of runs that were killed; those of running instances stay.
            RemoveStaleJobFiles(GetTempFolder());
            RunWindow(title, mainWindowClass, mainWindow, *lock);
        } else {
            RunInstallation(title, guid, filterScript);
        }
    } catch (const std::exception& error) {
        Shell().mainWindow = 0;
        mainWindow.reset();
        ShowApplicationError(error.what());
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
