#include "util/file_replacement.h"

#include <exception>

#include "platform/file_replace.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/os_error.h"
#include "util/file_utils.h"
#include "util/job_files.h"

namespace foldant {

namespace {

constexpr int64_t kCompareBlock = 1 << 20;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of(platform::kPathDelimiters);
    if (slash == std::string::npos) {
        return "./";
    }
    return path.substr(0, slash + 1);
}

// Whether a new file can be made at the path; it stays there, empty, when it could.
bool CanCreate(const std::string& path) {
    try {
        auto file =
            platform::FileStream::Open(path, platform::FileAccess::Write, platform::FileShare::None,
                                       platform::FileCreation::CreateAlways);
        return file->Close();
    } catch (const platform::OsError&) {
        return false;
    }
}

bool FlushFile(const std::string& path) {
    try {
        auto file =
            platform::FileStream::Open(path, platform::FileAccess::Write, platform::FileShare::None,
                                       platform::FileCreation::OpenExisting);
        const bool flushed = file->FlushToDisk();
        return file->Close() && flushed;
    } catch (const platform::OsError&) {
        return false;
    }
}

bool SameContent(const std::string& first, const std::string& second) {
    try {
        auto a = platform::FileStream::Open(first, platform::FileAccess::Read,
                                            platform::FileShare::ReadWrite,
                                            platform::FileCreation::OpenExisting);
        auto b = platform::FileStream::Open(second, platform::FileAccess::Read,
                                            platform::FileShare::ReadWrite,
                                            platform::FileCreation::OpenExisting);
        if (a->Size() != b->Size()) {
            return false;
        }
        std::string blockA(kCompareBlock, '\0');
        std::string blockB(kCompareBlock, '\0');
        for (;;) {
            const int64_t gotA = a->Read(blockA.data(), kCompareBlock);
            const int64_t gotB = b->Read(blockB.data(), kCompareBlock);
            if (gotA != gotB) {
                return false;
            }
            if (gotA <= 0) {
                return true;
            }
            if (blockA.compare(0, static_cast<size_t>(gotA), blockB, 0,
                               static_cast<size_t>(gotB)) != 0) {
                return false;
            }
        }
    } catch (const platform::OsError&) {
        return false;
    }
}

}  // namespace

bool CopyAndFlush(const std::string& source, const std::string& destination) {
    try {
        return CopyFileRetry(source, destination) && FlushFile(destination) &&
               SameContent(source, destination);
    } catch (const std::exception&) {
        return false;
    }
}

TFileReplacement::TFileReplacement(std::string target) : target_(std::move(target)) {
    work_ = JobFileName(FolderOf(target_), ".pdf");
    if (!CanCreate(work_)) {
        method_ = Method::CopyInPlace;
        work_ = JobFileName(GetTempFolder(), ".pdf");
    }
}

TFileReplacement::~TFileReplacement() {
    if (!committed_) {
        platform::DeleteFile(work_);
    }
}

TFileReplacement::Result TFileReplacement::Commit() {
    if (committed_) {
        return Result::NotReplaced;
    }
    if (method_ == Method::CopyInPlace) {
        return CopyInPlace();
    }
    if (!FlushFile(work_) || !platform::RenameOver(work_, target_)) {
        return Result::NotReplaced;
    }
    committed_ = true;
    return Result::Replaced;
}

TFileReplacement::Result TFileReplacement::CopyInPlace() {
    // The copy would create missing folders, which a replacement has no business doing.
    if (!FolderReachable(WithoutTrailingDelimiter(FolderOf(target_)))) {
        return Result::NotReplaced;
    }
    if (!PathIsFile(target_)) {
        if (CopyAndFlush(work_, target_)) {
            return Result::Replaced;
        }
        DeleteFileIfExists(target_);
        return Result::NotReplaced;
    }
    const std::string original = KeptOriginalName(GetTempFolder());
    if (!CopyAndFlush(target_, original)) {
        platform::DeleteFile(original);
        return Result::NotReplaced;
    }
    if (CopyAndFlush(work_, target_)) {
        platform::DeleteFile(original);
        return Result::Replaced;
    }
    if (CopyAndFlush(original, target_)) {
        platform::DeleteFile(original);
    } else {
        keptOriginal_ = original;
    }
    return Result::NotReplaced;
}

}  // namespace foldant
