#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

std::mutex gGuard;
MessageBoxHandler gHandler;

void WriteToStandardError(const std::string& caption, const std::string& text) {
    std::string line = caption.empty() ? text : caption + ": " + text;
    std::string utf8 = AnsiToUtf8(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
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
        WriteToStandardError(caption, text);
    }
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(gGuard);
    MessageBoxHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

}  // namespace foldant::platform
