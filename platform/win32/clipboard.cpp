#include "platform/clipboard.h"

#include <cstring>
#include <mutex>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

std::mutex gGuard;
ClipboardHandler gHandler;

// The clipboard can be held by another program for a moment; a few tries get past that.
bool OpenTheClipboard() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(nullptr)) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

void PutOnSystemClipboard(const std::string& text) {
    const std::wstring wide = win32::Wide(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    std::memcpy(::GlobalLock(memory), wide.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!OpenTheClipboard()) {
        ::GlobalFree(memory);
        return;
    }
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory);
    }
    ::CloseClipboard();
}

std::string ReadSystemClipboard() {
    if (!OpenTheClipboard()) {
        return {};
    }
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = win32::Ansi(wide);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

}  // namespace

void SetClipboardText(const std::string& text) {
    ClipboardHandler handler;
    {
        std::lock_guard lock(gGuard);
        handler = gHandler;
    }
    if (handler) {
        handler(text);
    } else {
        PutOnSystemClipboard(text);
    }
}

std::string ClipboardText() {
    return ReadSystemClipboard();
}

ClipboardHandler SetClipboardHandler(ClipboardHandler handler) {
    std::lock_guard lock(gGuard);
    ClipboardHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

}  // namespace foldant::platform
