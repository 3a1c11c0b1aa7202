#pragma once

// Quoting of program arguments for a Windows command line, the reverse of the argument rules of
// SplitArguments.

#include <string>
#include <vector>

namespace foldant::platform::win32 {

inline std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

// The program is quoted by the simpler rules of the program part: quotes only group.
inline std::string JoinCommandLine(const std::string& program,
                                   const std::vector<std::string>& arguments) {
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        line += ' ';
        line += QuoteArgument(argument);
    }
    return line;
}

}  // namespace foldant::platform::win32
