#pragma once

#include <stdexcept>
#include <string>

namespace foldant {

// Raised by both JSON models; the message is Windows-1252 text.
class JsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace foldant
