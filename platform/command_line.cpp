#include "platform/process.h"

#include "platform/file_system.h"

namespace foldant::platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Exists, links followed, and is no folder.
bool IsRegularFile(const std::string& ansiPath) {
    if (ansiPath.empty() || !OpensFollowingLinks(ansiPath)) {
        return false;
    }
    const AttributeQuery query = ReadFileAttributes(ansiPath);
    return query.error == ErrorClass::None && !query.attributes.isFolder;
}

// The program part of a command line and the position where the arguments begin.
size_t ProgramPart(std::string_view line, std::string& program) {
    bool quoted = false;
    size_t i = 0;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(c)) {
            break;
        }
        program += c;
    }
    return i;
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view line) {
    std::vector<std::string> arguments;
    size_t i = 0;
    bool quoted = false;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::string argument;
        for (;;) {
            bool copy = true;
            size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++i;
                ++backslashes;
            }
            if (i < line.size() && line[i] == '"') {
                if (backslashes % 2 == 0) {
                    if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                        ++i;
                    } else {
                        copy = false;
                        quoted = !quoted;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, '\\');
            if (i >= line.size() || (!quoted && IsBlank(line[i]))) {
                break;
            }
            if (copy) {
                argument += line[i];
            }
            ++i;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::string program;
    size_t rest = ProgramPart(commandLine, program);
    std::vector<std::string> parts{program};
    for (std::string& argument : SplitArguments(commandLine.substr(rest))) {
        parts.push_back(std::move(argument));
    }
    return parts;
}

ProgramCall ParseProgramCall(std::string_view commandLine) {
    ProgramCall call;
    size_t rest = std::string_view::npos;
    if (!commandLine.empty() && commandLine[0] != '"') {
        for (size_t i = 0; i < commandLine.size(); ++i) {
            if (IsBlank(commandLine[i]) && IsRegularFile(std::string(commandLine.substr(0, i)))) {
                call.program = std::string(commandLine.substr(0, i));
                rest = i;
                break;
            }
        }
        if (rest == std::string_view::npos && IsRegularFile(std::string(commandLine))) {
            call.program = std::string(commandLine);
            rest = commandLine.size();
        }
    }
    if (rest == std::string_view::npos) {
        call.program.clear();
        rest = ProgramPart(commandLine, call.program);
    }
    call.arguments = SplitArguments(commandLine.substr(rest));
    return call;
}

}  // namespace foldant::platform
