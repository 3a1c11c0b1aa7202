#include "util/file_utils.h"

#include <array>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/guid.h"
#include "platform/os_error.h"
#include "util/better_file_stream.h"
#include "util/file_errors.h"
#include "util/retry.h"

namespace foldant {
namespace {

using platform::ErrorClass;

constexpr char kDelimiter = platform::kPathDelimiter;
constexpr int kEnsureDirectoryErrorCode = 3;
constexpr int kAccessDeniedErrorCode = 5;
constexpr int kCopyAttempts = 10;
constexpr std::chrono::milliseconds kCopyPauseStep{100};
constexpr size_t kCopyBlockSize = 61440;
constexpr int kLineFileAttempts = 100;
constexpr std::chrono::milliseconds kLineFilePause{100};

// The path up to and including its last delimiter; empty when it has none.
std::string FolderPartWithDelimiter(const std::string& path) {
    auto slash = path.find_last_of(platform::kPathDelimiters);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folder part without its trailing delimiter, except for the root itself.
std::string FolderPart(const std::string& path) {
    auto slash = path.find_last_of(platform::kPathDelimiters);
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string(1, kDelimiter) : path.substr(0, slash);
}

// The first folder of the candidates that is this user's own and writable by nobody else:
// "QvTempDir" as everyone uses it, then per-user names for when another user of a shared
// temporary folder holds "QvTempDir", then the user's runtime folder.
std::string ModuleTempRoot() {
    std::string system = WithTrailingDelimiter(platform::SystemTempFolder());
    if (!system.empty()) {
        EnsureDirectory(system);
    }
    const std::string shared = system + "QvTempDir";
    const std::string own = shared + "-" + platform::UserIdText();
    const std::array<std::string, 4> candidates = {shared, own, own + "-1", own + "-2"};
    for (const std::string& candidate : candidates) {
        if (platform::ClaimPrivateFolder(candidate)) {
            return candidate + kDelimiter;
        }
    }
    // Another user holds every name in the shared folder: never work in their folder.
    std::string runtime = platform::UserRuntimeFolder();
    if (!runtime.empty() &&
        platform::ClaimPrivateFolder(WithTrailingDelimiter(runtime) + "QvTempDir")) {
        return WithTrailingDelimiter(runtime) + "QvTempDir" + kDelimiter;
    }
    throw InOutError("Kein eigener tempor\xE4rer Ordner: " + shared +
                         " und seine Ausweichnamen geh\xF6ren einem anderen Benutzer",
                     kAccessDeniedErrorCode);
}

enum class CopyAttempt { Copied, DestinationBusy, Failed };

// Only a destination that cannot be opened is worth another attempt: a disk that refused the
// bytes will not take them a moment later.
CopyAttempt CopyOnce(platform::FileStream& source, const std::string& destination) {
    std::unique_ptr<platform::FileStream> target;
    try {
        target = platform::FileStream::Open(destination, platform::FileAccess::Write,
                                            platform::FileShare::None,
                                            platform::FileCreation::CreateAlways);
    } catch (const platform::OsError&) {
        return CopyAttempt::DestinationBusy;
    }
    if (source.Seek(0, platform::SeekOrigin::Begin) != 0) {
        return CopyAttempt::Failed;
    }
    std::string block(kCopyBlockSize, '\0');
    for (;;) {
        int64_t got = source.Read(block.data(), static_cast<int64_t>(block.size()));
        if (got <= 0) {
            // A full disk may show itself only when the file is closed.
            const bool complete = got == 0 && source.Position() == source.Size();
            return target->Close() && complete ? CopyAttempt::Copied : CopyAttempt::Failed;
        }
        if (target->Write(block.data(), got) != got) {
            return CopyAttempt::Failed;
        }
    }
}

void SaveLinesOnce(const std::vector<std::string>& lines, const std::string& path) {
    EnsureFileFolder(path);
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    TBetterFileStream stream(path, true, TBetterFileStream::Disposition::CreateOrTruncate);
    stream.WriteAll(text.data(), static_cast<int64_t>(text.size()));
}

std::string ReadWholeFile(const std::string& path) {
    auto stream =
        platform::FileStream::Open(path, platform::FileAccess::Read, platform::FileShare::Read,
                                   platform::FileCreation::OpenExisting);
    std::string text;
    std::string block(65536, '\0');
    for (;;) {
        int64_t got = stream->Read(block.data(), static_cast<int64_t>(block.size()));
        if (got <= 0) {
            break;
        }
        text.append(block.data(), static_cast<size_t>(got));
    }
    return text;
}

}  // namespace

bool PathIsFile(const std::string& path) {
    platform::AttributeQuery query = platform::ReadFileAttributes(path);
    switch (query.error) {
        case ErrorClass::None:
            return !query.attributes.isFolder;
        case ErrorClass::FileNotFound:
        case ErrorClass::PathNotFound:
        case ErrorClass::InvalidName:
            return false;
        case ErrorClass::SharingViolation:
            return true;
        default:
            return platform::FindFirstIsFile(path);
    }
}

bool PathIsFolder(const std::string& path) {
    platform::AttributeQuery query = platform::ReadFileAttributes(path);
    return query.error == ErrorClass::None && query.attributes.isFolder;
}

bool FolderReachable(const std::string& path) {
    platform::AttributeQuery query = platform::ReadFileAttributes(path);
    switch (query.error) {
        case ErrorClass::None:
            break;
        case ErrorClass::FileNotFound:
        case ErrorClass::PathNotFound:
        case ErrorClass::BadNetworkPath:
        case ErrorClass::InvalidName:
            return false;
        default:
            return true;
    }
    if (query.attributes.isLink && !platform::OpensFollowingLinks(path)) {
        return false;
    }
    return query.attributes.isFolder;
}

std::string WithTrailingDelimiter(const std::string& path) {
    if (path.empty() || platform::IsPathDelimiter(path.back())) {
        return path;
    }
    return path + kDelimiter;
}

std::string WithoutTrailingDelimiter(const std::string& path) {
    if (!path.empty() && platform::IsPathDelimiter(path.back())) {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

bool EnsureDirectory(const std::string& path) {
    if (path.empty()) {
        throw InOutError("Verzeichnis kann nicht erstellt werden", kEnsureDirectoryErrorCode);
    }
    std::string folder = WithoutTrailingDelimiter(path);
    // Only the root is left of "/"; there are no drives to stop at.
    if (folder.empty() || FolderReachable(folder)) {
        return true;
    }
    std::string parent = FolderPartWithDelimiter(folder);
    if (parent == folder) {
        return true;
    }
    // A relative path's first part lies in the current folder, which exists.
    return (parent.empty() || EnsureDirectory(parent)) && platform::MakeFolder(folder);
}

void EnsureFileFolder(const std::string& path) {
    std::string folder = FolderPart(path);
    // A bare file name lives in the current folder, which exists.
    if (!folder.empty() && !PathIsFolder(folder)) {
        EnsureDirectory(folder);
    }
}

std::string GetTempFolder(const std::string& name) {
    std::string folder = ModuleTempRoot();
    if (!name.empty()) {
        folder += name;
        folder += kDelimiter;
    }
    EnsureDirectory(folder);
    return folder;
}

uint32_t ElfHash(std::string_view text) {
    uint32_t h = 0;
    for (unsigned char c : text) {
        h = (h << 4) + c;
        uint32_t g = h & 0xF0000000u;
        if (g != 0) {
            h ^= g >> 24;
        }
        h &= ~g;
    }
    return h;
}

std::string UniqueTempName() {
    return GetTempFolder() + std::to_string(ElfHash(platform::NewGuidText()));
}

bool DeleteFileIfExists(const std::string& path) {
    if (PathIsFile(path)) {
        return platform::DeleteFile(path);
    }
    return true;
}

bool CopyFileRetry(const std::string& source, const std::string& destination) {
    EnsureDirectory(FolderPartWithDelimiter(destination));
    auto input = platform::FileStream::Open(source, platform::FileAccess::Read,
                                            platform::FileShare::ReadWrite,
                                            platform::FileCreation::OpenExisting);
    // Creating the destination would empty the source when both are the same file.
    if (platform::SameFile(source, destination)) {
        return true;
    }
    for (int attempt = 1; attempt <= kCopyAttempts; ++attempt) {
        switch (CopyOnce(*input, destination)) {
            case CopyAttempt::Copied:
                return true;
            case CopyAttempt::Failed:
                return false;
            case CopyAttempt::DestinationBusy:
                break;
        }
        std::this_thread::sleep_for(kCopyPauseStep * attempt);
    }
    return false;
}

void SaveLinesRetry(const std::vector<std::string>& lines, const std::string& path) {
    RetryOnFailure(kLineFileAttempts, kLineFilePause, [&] { SaveLinesOnce(lines, path); });
}

void LoadLinesRetry(std::vector<std::string>& lines, const std::string& path) {
    RetryOnFailure(kLineFileAttempts, kLineFilePause, [&] {
        if (PathIsFile(path)) {
            lines = SplitLines(ReadWholeFile(path));
        }
    });
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

}  // namespace foldant
