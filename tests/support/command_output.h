#pragma once

// What an outside checker (qpdf, pdfinfo, pdftoppm, pypdf) prints on standard output.

#include <cstdio>
#include <string>

namespace foldant::testing {

// The redirection is appended to the command: " 2>/dev/null" drops its error output,
// " 2>&1" keeps it with the rest.
inline std::string CommandOutput(const std::string& command,
                                 const std::string& errors = " 2>/dev/null") {
    std::string text;
    if (FILE* pipe = popen((command + errors).c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    return text;
}

}  // namespace foldant::testing
