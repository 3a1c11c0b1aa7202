#include "platform/os_error.h"

#include <cerrno>
#include <cstring>

#include "platform/win32/windows_api.h"

namespace foldant::platform {

ErrorClass ClassifyErrno(int error, const std::string& path) {
    switch (error) {
        case 0:
            return ErrorClass::None;
        case ENOENT: {
            // Tells a missing file from a missing folder on the way to it.
            const auto slash = path.find_last_of("\\/");
            if (slash != std::string::npos && slash > 0) {
                const DWORD attributes =
                    ::GetFileAttributesW(win32::Wide(path.substr(0, slash)).c_str());
                if (attributes == INVALID_FILE_ATTRIBUTES ||
                    (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    return ErrorClass::PathNotFound;
                }
            }
            return ErrorClass::FileNotFound;
        }
        case ENOTDIR:
            return ErrorClass::PathNotFound;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ:
            return ErrorClass::InvalidName;
        case EWOULDBLOCK:
        case ETXTBSY:
            return ErrorClass::SharingViolation;
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ENODEV:
            return ErrorClass::BadNetworkPath;
        case EACCES:
        case EPERM:
        case EROFS:
            return ErrorClass::AccessDenied;
        default:
            return ErrorClass::Other;
    }
}

std::string SystemErrorText(int error) {
    wchar_t* text = nullptr;
    ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message =
        text != nullptr ? win32::Ansi(text) : "unknown error " + std::to_string(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

}  // namespace foldant::platform
