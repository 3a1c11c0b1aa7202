#include "platform/process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#undef ShellExecute

namespace foldant::platform {
namespace {

bool IsRegularFile(const std::string& ansiPath) {
    const AttributeQuery query = ReadFileAttributes(ansiPath);
    return !ansiPath.empty() && query.error == ErrorClass::None && !query.attributes.isFolder;
}

bool EndsWithIgnoringCase(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           EqualsIgnoringAsciiCase(std::string_view(text).substr(text.size() - end.size()), end);
}

// COM for the calls of one function; balanced only when this call initialised it.
class ComScope {
  public:
    ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialised_) {
            ::CoUninitialize();
        }
    }

  private:
    bool initialised_;
};

}  // namespace

bool StartProcess(const std::string& commandLine) {
    ProgramCall call = ParseProgramCall(commandLine);
    if (!IsRegularFile(call.program)) {
        return false;
    }
    // The started program splits its own command line into arguments; an unquoted path with
    // blanks would reach it as several, so the program part is quoted before it is handed on.
    std::string text = commandLine;
    if (!text.empty() && text.front() != '"' &&
        text.compare(0, call.program.size(), call.program) == 0) {
        text = "\"" + call.program + "\"" + text.substr(call.program.size());
    }
    std::wstring line = win32::Wide(text);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(win32::Wide(call.program).c_str(), line.data(), nullptr, nullptr, FALSE,
                          0, nullptr, nullptr, &startup, &started)) {
        return false;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

bool ShellExecute(const std::string& verb, const std::string& target) {
    if (!verb.empty() && verb != "open") {
        return false;
    }
    std::string file = target;
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
        file = file.substr(1, file.size() - 2);
    }
    if (file.empty()) {
        return false;
    }
    const char* opener = std::getenv("FOLDANT_OPEN_COMMAND");
    if (opener != nullptr && *opener != '\0') {
        return StartProcess("\"" + std::string(opener) + "\" \"" + file + "\"");
    }
    ComScope com;
    const auto result = reinterpret_cast<intptr_t>(::ShellExecuteW(
        nullptr, L"open", win32::Wide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::optional<std::string> ShellLinkTarget(const std::string& ansiPath) {
    if (!EndsWithIgnoringCase(ansiPath, ".lnk") || !IsRegularFile(ansiPath)) {
        return std::nullopt;
    }
    ComScope com;
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<std::string> target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(win32::Wide(ansiPath).c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)) && path[0] != L'\0') {
            target = win32::Ansi(path);
        }
        file->Release();
    }
    link->Release();
    return target;
}

bool ProgramOnPath(const std::string& name) {
    wchar_t found[MAX_PATH] = {};
    return !name.empty() &&
           ::SearchPathW(nullptr, win32::Wide(name).c_str(), L".exe", MAX_PATH, found, nullptr) > 0;
}

void UseBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        texts_.assign(argv, argv + argc);
    } else {
        for (int i = 0; i < count; ++i) {
            texts_.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
        }
        ::LocalFree(wide);
    }
    for (std::string& text : texts_) {
        pointers_.push_back(text.data());
    }
    pointers_.push_back(nullptr);
}

}  // namespace foldant::platform
