#include "tools/foldant-pdf/compact_command.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "pdf/pdf_library.h"
#include "platform/windows1252.h"
#include "util/file_replacement.h"

namespace foldant {

namespace {

constexpr int kWritten = 0;
constexpr int kRefused = 1;
constexpr int kFailed = 2;

struct CompactRequest {
    std::string output;
    std::string input;
};

std::optional<CompactRequest> ParseArguments(const std::vector<std::string>& arguments) {
    CompactRequest request;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" && i + 1 < arguments.size()) {
            request.output = arguments[++i];
        } else if (argument.empty() || argument[0] == '-' || !request.input.empty()) {
            return std::nullopt;
        } else {
            request.input = argument;
        }
    }
    if (request.output.empty() || request.input.empty()) {
        return std::nullopt;
    }
    return request;
}

}  // namespace

int RunCompact(const std::vector<std::string>& arguments) {
    const std::optional<CompactRequest> request = ParseArguments(arguments);
    if (!request) {
        std::fprintf(stderr, "usage: foldant-pdf %s\n", kCompactUsage);
        return kFailed;
    }
    TPdfLibraryEx engine;
    try {
        TFileReplacement replacement(Utf8ToAnsi(request->output));
        if (engine.CompactFile(Utf8ToAnsi(request->input), replacement.WorkFile())) {
            if (replacement.Commit() == TFileReplacement::Result::Replaced) {
                return kWritten;
            }
            std::fprintf(stderr, "foldant-pdf compact: cannot write %s\n", request->output.c_str());
            return kFailed;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "foldant-pdf compact: %s\n", error.what());
        return kFailed;
    }
    if (engine.FailureCode == TPdfLibrary::kNotWritten) {
        std::fprintf(stderr, "foldant-pdf compact: cannot write %s\n", request->output.c_str());
        return kFailed;
    }
    std::fprintf(stderr, "foldant-pdf compact: %s %s\n", request->input.c_str(),
                 engine.FailureCode == TPdfLibrary::kEncrypted
                     ? "is encrypted"
                     : "is not a PDF or too damaged to read");
    return kRefused;
}

}  // namespace foldant
