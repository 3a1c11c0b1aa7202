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
    char buffer[256] = {};
    if (::strerror_s(buffer, sizeof buffer, error) != 0 || buffer[0] == '\0') {
        return "unknown error " + std::to_string(error);
    }
    return buffer;
}

}  // namespace foldant::platform
