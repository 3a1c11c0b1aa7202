#include "platform/clipboard.h"

#include <mutex>

namespace foldant::platform {
namespace {

std::mutex gGuard;
ClipboardHandler gHandler;
std::string gKeptText;

}  // namespace

void SetClipboardText(const std::string& text) {
    ClipboardHandler handler;
    {
        std::lock_guard lock(gGuard);
        if (!gHandler) {
            gKeptText = text;
            return;
        }
        handler = gHandler;
    }
    handler(text);
}

std::string ClipboardText() {
    std::lock_guard lock(gGuard);
    return gKeptText;
}

ClipboardHandler SetClipboardHandler(ClipboardHandler handler) {
    std::lock_guard lock(gGuard);
    ClipboardHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

}  // namespace foldant::platform
