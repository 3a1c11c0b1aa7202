#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/module_constants.h"
#include "app/module_shell.h"
#include "install/worker_pool.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/windows1252.h"
#include "script/script_runtime.h"

namespace {

constexpr char kUsage[] =
    "Usage: foldant CHANNEL [X Y]   run the conversation on the channel block CHANNEL\n"
    "                               (the window centred on X, Y when both are given)\n"
    "       foldant DEBUG           keep running and take over the channels of later starts\n"
    "       foldant INSTALLVOK      register the module with the database open in the suite\n"
    "       foldant --help | --version\n";

// Answers true when the argument asked for information instead of a run, which has been printed.
bool PrintInformation(const std::string& argument) {
    if (argument == "--help" || argument == "-h") {
        std::cout << kUsage;
        return true;
    }
    if (argument == "--version") {
        std::cout << "foldant " << FOLDANT_VERSION << "\n";
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && PrintInformation(argv[1])) {
        return std::cout.flush() ? 0 : 1;
    }
    // Windows hands main() its arguments in the ANSI code page; these are read from the wide
    // command line there.
    foldant::platform::Utf8Arguments utf8(argc, argv);
    std::vector<std::string> arguments;
    // The suite registers the program by its full path, whatever path started it.
    arguments.push_back(foldant::platform::CurrentExecutablePath());
    for (int index = 1; index < utf8.Count(); ++index) {
        arguments.push_back(foldant::Utf8ToAnsi(utf8.Values()[index]));
    }
    // Program starts and shell calls of the installation run on this pool; it lives as long as
    // the module and lets queued jobs finish before the process ends.
    foldant::TWorkerPoolScope workerPool;
    foldant::StartScriptEngine();
    std::unique_ptr<foldant::TModuleWindow> mainWindow;
    int exitCode =
        foldant::RunModule(arguments, foldant::kModuleTitle, foldant::AttachmentsWindowClass(),
                           mainWindow, foldant::kModuleGuid, foldant::ModuleFilterScript());
    foldant::StopScriptEngine();
    return exitCode;
}
