#pragma once

#include <stdexcept>
#include <string>

namespace foldant {

// The engine's one error: a file that cannot be opened or created. Everything else the engine
// reports as a refusal (false, none, a failure code).
class PdfError : public std::runtime_error {
  public:
    PdfError() : std::runtime_error("Error") {}
};

}  // namespace foldant
