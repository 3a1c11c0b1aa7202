#include "app/hand_over.h"

#include "app/win32/win32_api.h"

#include <vector>

namespace foldant {

namespace {

struct TWindowSearch {
    std::wstring className;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<TWindowSearch*>(lParam);
    wchar_t name[256] = {};
    int length = ::GetClassNameW(window, name, 255);
    if (length > 0 &&
        search.className == std::wstring_view(name, static_cast<std::size_t>(length))) {
        search.windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

int SendHandOverRecord(const std::string& className, std::uintptr_t dwData, const std::string& data,
                       int timeoutMs) {
    if (data.size() > kMaxHandOverRecord) {
        return 0;
    }
    // Every top-level window of the class gets the record, each in turn; a window whose
    // process hangs costs at most the time-out and does not keep the others from theirs.
    TWindowSearch search{win32window::Wide(std::string_view(className)), {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    COPYDATASTRUCT record{};
    record.dwData = dwData;
    record.cbData = static_cast<DWORD>(data.size());
    record.lpData = const_cast<char*>(data.data());
    int answered = 0;
    for (HWND window : search.windows) {
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                                  SMTO_NORMAL | SMTO_ABORTIFHUNG, static_cast<UINT>(timeoutMs),
                                  &result) != 0) {
            ++answered;
        }
    }
    return answered;
}

}  // namespace foldant
