#include "platform/message_box.h"

#include <mutex>

namespace foldant::platform {
namespace {

std::mutex gGuard;
MessageBoxHandler gHandler;

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
        ShowDefaultMessageBox(caption, text);
    }
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(gGuard);
    MessageBoxHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

}  // namespace foldant::platform
