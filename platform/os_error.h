#pragma once

#include <stdexcept>
#include <string>

namespace foldant::platform {

// The error classes that callers distinguish. The system's errno values are mapped onto them in
// one place (ClassifyErrno), so code above this layer never looks at errno itself.
enum class ErrorClass {
    None,
    FileNotFound,      // ENOENT on the last part of a path
    PathNotFound,      // ENOENT on a folder part, ENOTDIR
    InvalidName,       // ENAMETOOLONG, EINVAL, EILSEQ, an embedded NUL
    SharingViolation,  // an advisory lock held by someone else (EWOULDBLOCK), ETXTBSY
    BadNetworkPath,    // EHOSTUNREACH, ENETUNREACH, EREMOTEIO, ESTALE, ENODEV
    AccessDenied,      // EACCES, EPERM, EROFS
    Other,
};

ErrorClass ClassifyErrno(int error, const std::string& path = {});

// The system's own words for an error number (for example "No such file or directory").
std::string SystemErrorText(int error);

// A failed call into the operating system, carrying errno and its class.
class OsError : public std::runtime_error {
  public:
    OsError(const std::string& message, int error, ErrorClass errorClass)
        : std::runtime_error(message), error_(error), class_(errorClass) {}
    int Errno() const { return error_; }
    ErrorClass Class() const { return class_; }

  private:
    int error_;
    ErrorClass class_;
};

}  // namespace foldant::platform
