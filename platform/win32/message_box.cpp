#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

// Unattended runs (tests, scripted installs) set FOLDANT_NO_DIALOGS so that no box waits for a
// click nobody gives; the text then goes to standard error as in programs without windows.
bool DialogsAllowed() {
    const char* off = std::getenv("FOLDANT_NO_DIALOGS");
    return off == nullptr || *off == '\0';
}

}  // namespace

void ShowDefaultMessageBox(const std::string& caption, const std::string& text) {
    if (DialogsAllowed()) {
        ::MessageBoxW(nullptr, win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                      MB_OK | MB_SETFOREGROUND | MB_TASKMODAL);
        return;
    }
    const std::string line = AnsiToUtf8(caption.empty() ? text : caption + ": " + text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace foldant::platform
