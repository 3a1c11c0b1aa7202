#include "tools/foldant-pdf/encrypt_command.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>

#include "merge/permission_code.h"
#include "pdf/pdf_crypt.h"
#include "pdf/pdf_library.h"
#include "platform/windows1252.h"
#include "util/file_replacement.h"

namespace foldant {

namespace {

constexpr int kCopied = 0;
constexpr int kRefused = 1;
constexpr int kFailed = 2;
constexpr size_t kPermissionLength = 8;

struct EncryptRequest {
    std::string output;
    std::string input;
    int level = -1;
    std::string permissions = "11111111";
};

std::optional<int> ParseLevel(const std::string& text) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '9' || !IsProtectionLevel(text[0] - '0')) {
        return std::nullopt;
    }
    return text[0] - '0';
}

std::optional<EncryptRequest> ParseArguments(const std::vector<std::string>& arguments) {
    EncryptRequest request;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "-o" && hasValue) {
            request.output = arguments[++i];
        } else if (argument == "--level" && hasValue) {
            const std::optional<int> level = ParseLevel(arguments[++i]);
            if (!level) {
                return std::nullopt;
            }
            request.level = *level;
        } else if (argument == "--permissions" && hasValue) {
            request.permissions = arguments[++i];
        } else if (argument.empty() || argument[0] == '-' || !request.input.empty()) {
            return std::nullopt;
        } else {
            request.input = argument;
        }
    }
    if (request.output.empty() || request.input.empty() || request.level < 0 ||
        request.permissions.size() != kPermissionLength) {
        return std::nullopt;
    }
    return request;
}

// The eight characters read as the start of a permission code that asks for 128 bits, the
// level at which all eight are read.
TPermissionRequest DecodePermissions(const std::string& eight) {
    TPermissionRequest request;
    DecodePermissionCode(eight + "1", request);
    return request;
}

const char* RefusalReason(TPdfLibrary::Refusal failureCode) {
    switch (failureCode) {
        case TPdfLibrary::kEncrypted:
            return "is encrypted";
        case TPdfLibrary::kNotReadable:
            return "is not a PDF or too damaged to read";
        default:
            return "could not be copied";
    }
}

}  // namespace

int RunEncrypt(const std::vector<std::string>& arguments) {
    const std::optional<EncryptRequest> request = ParseArguments(arguments);
    if (!request) {
        std::fprintf(stderr, "usage: foldant-pdf %s\n", kEncryptUsage);
        return kFailed;
    }
    // The engine replaces the output before it reads the input, so one file as both would
    // lose its content.
    std::error_code ignored;
    if (std::filesystem::equivalent(request->input, request->output, ignored)) {
        std::fprintf(stderr, "foldant-pdf encrypt: IN and OUT are the same file\n");
        return kFailed;
    }
    const TPermissionRequest permissions = DecodePermissions(request->permissions);
    TPdfLibraryEx engine;
    try {
        // OUT is replaced only by a complete copy, so a refusal or a full disk leaves it as it was.
        TFileReplacement replacement(Utf8ToAnsi(request->output));
        if (engine.EncryptedCopy(Utf8ToAnsi(request->input), replacement.WorkFile(),
                                 permissions.PermissionFlags, permissions.ExtraFlags,
                                 static_cast<uint8_t>(request->level))) {
            if (replacement.Commit() == TFileReplacement::Result::Replaced) {
                return kCopied;
            }
            std::fprintf(stderr, "foldant-pdf encrypt: cannot write %s\n", request->output.c_str());
            return kFailed;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "foldant-pdf encrypt: %s\n", error.what());
        return kFailed;
    }
    if (engine.FailureCode == TPdfLibrary::kNotWritten) {
        std::fprintf(stderr, "foldant-pdf encrypt: cannot write %s\n", request->output.c_str());
        return kFailed;
    }
    std::fprintf(stderr, "foldant-pdf encrypt: %s %s\n", request->input.c_str(),
                 RefusalReason(engine.FailureCode));
    return kRefused;
}

}  // namespace foldant
