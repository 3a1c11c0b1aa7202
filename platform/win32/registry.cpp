#include "platform/registry.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

std::string RegistryRoot() {
    return "HKEY_LOCAL_MACHINE\\";
}

// The suite is a 32-bit program and writes its keys into the 32-bit view, which a 64-bit build
// must ask for explicitly.
std::optional<std::string> ReadLocalMachineString(const std::string& keyPath,
                                                  const std::string& valueName) {
    std::string key = keyPath;
    for (char& c : key) {
        if (c == '/') {
            c = '\\';
        }
    }
    while (!key.empty() && key.front() == '\\') {
        key.erase(0, 1);
    }
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Wide(key).c_str(), 0,
                        KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring name = win32::Wide(valueName);
    DWORD type = 0;
    DWORD bytes = 0;
    std::optional<std::string> value;
    if (::RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &bytes) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && bytes < (1u << 20)) {
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(opened, name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
            text.resize(size / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0') {
                text.pop_back();
            }
            value = win32::Ansi(text);
        }
    }
    ::RegCloseKey(opened);
    return value;
}

}  // namespace foldant::platform
