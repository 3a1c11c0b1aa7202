// foldant-script: runs setup scripts and the filter script the way the module and the suite
// do, for the people who write them.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/windows1252.h"
#include "script/script_runtime.h"
#include "script/setup_script.h"

namespace {

constexpr int kUsageError = 2;

constexpr char kUsage[] =
    "usage: foldant-script run SCRIPT [--order FILE]\n"
    "       foldant-script filter ATTACHMENT...\n"
    "       foldant-script default\n";

int Usage() {
    std::cerr << kUsage;
    return kUsageError;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return true;
}

const char* TrueFalse(bool value) {
    return value ? "True" : "False";
}

// The error text as the terminal shows it: UTF-8, with the script's CR LF line ends as plain
// line ends and without the last one.
void PrintError(const std::string& error) {
    if (error.empty()) {
        return;
    }
    std::string text;
    for (char c : foldant::AnsiToUtf8(error)) {
        if (c != '\r') {
            text += c;
        }
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    std::cout << "error: " << text << "\n";
}

int Run(const std::vector<std::string>& args) {
    std::string scriptPath;
    std::string orderPath;
    bool haveOrder = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--order") {
            if (i + 1 >= args.size() || haveOrder) {
                return Usage();
            }
            orderPath = args[++i];
            haveOrder = true;
        } else if (scriptPath.empty()) {
            scriptPath = args[i];
        } else {
            return Usage();
        }
    }
    if (scriptPath.empty()) {
        return Usage();
    }
    std::string bytes;
    if (!ReadFile(scriptPath, bytes)) {
        std::cerr << "foldant-script: cannot read " << scriptPath << "\n";
        return kUsageError;
    }
    foldant::TScriptStartThread* thread = foldant::ScriptStartThread();
    thread->WaitUntilReady();
    thread->Helper().LoadOrder(haveOrder ? foldant::Utf8ToAnsi(orderPath) : std::string());
    if (haveOrder && !thread->Helper().OrderData().IsValid()) {
        std::cerr << "foldant-script: the order data in " << orderPath
                  << " are not valid; the module would not run the script\n";
        std::cout << "ThisForBidden = False\n";
        return 0;
    }
    std::string text = foldant::PrepareSetupScriptText(foldant::SetupScriptTextFromFile(bytes));
    bool forbidden = false;
    try {
        forbidden = foldant::RunSetupScriptText(*thread, text);
    } catch (const std::exception&) {
        forbidden = false;
    }
    std::cout << "ThisForBidden = " << TrueFalse(forbidden) << "\n";
    PrintError(thread->FillData().ErrorText());
    return 0;
}

int Filter(const std::vector<std::string>& args) {
    std::vector<std::string> names;
    for (const std::string& arg : args) {
        names.push_back(foldant::Utf8ToAnsi(arg));
    }
    std::string error;
    bool result = foldant::RunFilterScript(&names, &error);
    std::cout << "ThisResult = " << TrueFalse(result) << "\n";
    PrintError(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    foldant::platform::Utf8Arguments utf8(argc, argv);
    argc = utf8.Count();
    argv = utf8.Values();
    // The default script's lines end with CR LF already; its bytes are printed as they are.
    foldant::platform::UseBinaryStandardStreams();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : 1;
    }
    foldant::StartScriptEngine();
    int status = kUsageError;
    if (args.empty()) {
        status = Usage();
    } else if (args[0] == "run") {
        status = Run({args.begin() + 1, args.end()});
    } else if (args[0] == "filter") {
        status = Filter({args.begin() + 1, args.end()});
    } else if (args[0] == "default" && args.size() == 1) {
        std::cout << foldant::AnsiToUtf8(foldant::DefaultSetupScript()) << "\n";
        status = 0;
    } else {
        status = Usage();
    }
    foldant::StopScriptEngine();
    return status;
}
