#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

std::mutex gGuard;
MessageBoxHandler gHandler;

// Unattended runs (tests, scripted installs) set FOLDANT_NO_DIALOGS so that no box waits for a
// click nobody gives; the text then goes to standard error as in programs without windows.
bool DialogsAllowed() {
    const char* off = std::getenv("FOLDANT_NO_DIALOGS");
    return off == nullptr || *off == '\0';
}

void ShowDefault(const std::string& caption, const std::string& text) {
    if (DialogsAllowed()) {
        ::MessageBoxW(nullptr, win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                      MB_OK | MB_SETFOREGROUND | MB_TASKMODAL);
        return;
    }
    const std::string line = AnsiToUtf8(caption.empty() ? text : caption + ": " + text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void ShowMessageBox(const std::string& caption, const std::string& text) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(gGuard);
        handler = gHandler;
    }
    if (handler) {
        handler(caption, text);
    } else {
        ShowDefault(caption, text);
    }
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(gGuard);
    MessageBoxHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

}  // namespace foldant::platform
