#include <memory>
#include <string>
#include <vector>

#include "app/attachments_form.h"
#include "app/module_constants.h"
#include "app/module_shell.h"
#include "platform/child_process.h"
#include "platform/windows1252.h"
#include "script/script_runtime.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    // The suite registers the program by its full path, whatever path started it.
    arguments.push_back(foldant::platform::CurrentExecutablePath());
    for (int index = 1; index < argc; ++index) {
        arguments.push_back(foldant::Utf8ToAnsi(argv[index]));
    }
    foldant::StartScriptEngine();
    std::unique_ptr<foldant::TModuleWindow> mainWindow;
    int exitCode =
        foldant::RunModule(arguments, foldant::kModuleTitle, foldant::AttachmentsWindowClass(),
                           mainWindow, foldant::kModuleGuid, foldant::ModuleFilterScript());
    foldant::StopScriptEngine();
    return exitCode;
}
