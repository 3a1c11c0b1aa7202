#pragma once

// The one place the backend takes the system's declarations from. Only files of this folder
// include it; the macros that rename functions of this layer are removed again.

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>

#undef DeleteFile
#undef ShellExecute
#undef MessageBox
#undef CreateDirectory

#include <string>

#include "platform/os_error.h"
#include "platform/windows1252.h"

namespace foldant::platform::win32 {

inline std::wstring Wide(std::string_view ansi) {
    const std::u16string text = AnsiToUtf16(ansi);
    return std::wstring(text.begin(), text.end());
}

inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::string Ansi(std::wstring_view text) {
    return Utf16ToAnsi(std::u16string(text.begin(), text.end()));
}

// The error classes for the system's error codes.
inline ErrorClass ClassifyWindowsError(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return ErrorClass::None;
        case ERROR_FILE_NOT_FOUND:
            return ErrorClass::FileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return ErrorClass::PathNotFound;
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return ErrorClass::InvalidName;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return ErrorClass::SharingViolation;
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NETNAME_DELETED:
            return ErrorClass::BadNetworkPath;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return ErrorClass::AccessDenied;
        default:
            return ErrorClass::Other;
    }
}

inline OsError LastError(const std::string& message) {
    const DWORD error = ::GetLastError();
    return OsError(message, static_cast<int>(error), ClassifyWindowsError(error));
}

// Kernel handles fit in 32 bits on every Windows, so the backend keeps them in the int members
// the interfaces declare.
inline int HandleToInt(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}
inline HANDLE IntToHandle(int value) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value));
}

// Closes a kernel handle when it goes out of scope.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~Handle() { Reset(nullptr); }

    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset(HANDLE handle) {
        if (Valid()) {
            ::CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

}  // namespace foldant::platform::win32
