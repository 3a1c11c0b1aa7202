#include "platform/os_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace foldant::platform {

ErrorClass ClassifyErrno(int error, const std::string& path) {
    switch (error) {
        case 0:
            return ErrorClass::None;
        case ENOENT: {
            // Windows tells a missing file from a missing folder on the way to it.
            auto slash = path.find_last_of('/');
            if (slash != std::string::npos && slash > 0) {
                struct stat info {};
                std::string parent = path.substr(0, slash);
                if (::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
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
        case EREMOTEIO:
        case ESTALE:
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
    // The GNU variant may answer a static text instead of filling the buffer.
    const char* text = ::strerror_r(error, buffer, sizeof buffer);
    return text ? text : "unknown error " + std::to_string(error);
}

}  // namespace foldant::platform
