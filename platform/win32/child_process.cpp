#include "platform/child_process.h"

#include "platform/win32/command_line_quote.h"
#include "platform/win32/windows_api.h"

namespace foldant::platform {

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  const std::string& outputPath) {
    std::wstring commandLine = win32::Wide(win32::JoinCommandLine(program, arguments));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    win32::Handle output;
    if (!outputPath.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output.Reset(::CreateFileW(win32::Wide(outputPath).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output.Valid()) {
            throw win32::LastError("cannot create " + outputPath);
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
    }
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(win32::Wide(program).c_str(), commandLine.data(), nullptr, nullptr,
                          output.Valid() ? TRUE : FALSE, 0, nullptr, nullptr, &startup, &started)) {
        throw win32::LastError("cannot start " + program);
    }
    ::CloseHandle(started.hThread);
    return std::unique_ptr<ChildProcess>(new ChildProcess(win32::HandleToInt(started.hProcess)));
}

ChildProcess::~ChildProcess() {
    if (!exitCode_) {
        Kill();
    }
    ::CloseHandle(win32::IntToHandle(pid_));
}

std::optional<int> ChildProcess::WaitFor(int timeoutMs) {
    if (exitCode_) {
        return exitCode_;
    }
    HANDLE process = win32::IntToHandle(pid_);
    const DWORD waited = ::WaitForSingleObject(process, timeoutMs < 0 ? 0 : DWORD(timeoutMs));
    if (waited == WAIT_TIMEOUT) {
        return std::nullopt;
    }
    DWORD code = 0;
    exitCode_ = waited == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &code)
                    ? static_cast<int>(code)
                    : -1;
    return exitCode_;
}

void ChildProcess::Kill() {
    if (exitCode_) {
        return;
    }
    ::TerminateProcess(win32::IntToHandle(pid_), 128 + 9);
    WaitFor(10000);
}

std::string CurrentExecutablePath() {
    std::wstring buffer(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return {};
    }
    buffer.resize(length);
    return win32::Ansi(buffer);
}

}  // namespace foldant::platform
