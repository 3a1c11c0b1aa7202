#pragma once

// The errors the file helpers raise, beside platform::OsError for a file that cannot be opened.

#include <stdexcept>
#include <string>

namespace foldant {

// An input/output error with its numeric code.
class InOutError : public std::runtime_error {
  public:
    InOutError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

  private:
    int code_;
};

// A file that could not be opened for writing or created.
class FileCreateError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Fewer bytes reached the file than were written.
class FileWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace foldant
