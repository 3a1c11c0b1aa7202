#include "platform/file_stream.h"

#include <algorithm>
#include <atomic>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

// ReadFile and WriteFile move at most this many bytes per call.
constexpr int64_t kChunk = int64_t{1} << 30;

HANDLE HandleOf(int descriptor) {
    return win32::IntToHandle(descriptor);
}

std::atomic<int64_t> writeBudget{-1};

// How many of `count` bytes the test limit lets through.
int64_t AllowedByBudget(int64_t count) {
    if (count <= 0) {
        return count;
    }
    int64_t budget = writeBudget.load();
    while (budget >= 0) {
        const int64_t allowed = std::min(budget, count);
        if (writeBudget.compare_exchange_weak(budget, budget - allowed)) {
            return allowed;
        }
    }
    return count;
}

}  // namespace

void FailWritesAfter(int64_t bytes) {
    writeBudget.store(bytes < 0 ? -1 : bytes);
}

std::unique_ptr<FileStream> FileStream::Open(const std::string& ansiPath, FileAccess access,
                                             FileShare share, FileCreation creation,
                                             OthersLocks othersLocks) {
    return Open(AnsiToUtf16(ansiPath), access, share, creation, othersLocks);
}

std::unique_ptr<FileStream> FileStream::Open(const std::u16string& widePath, FileAccess access,
                                             FileShare share, FileCreation creation,
                                             OthersLocks othersLocks) {
    return OpenUtf8(Utf16ToUtf8(widePath), access, share, creation, othersLocks);
}

// The system enforces sharing modes between every open, so others' locks are always respected.
std::unique_ptr<FileStream> FileStream::OpenUtf8(const std::string& utf8Path, FileAccess access,
                                                 FileShare share, FileCreation creation,
                                                 OthersLocks) {
    const std::u16string wide = Utf8ToUtf16(utf8Path);
    if (wide.empty() || wide.find(u'\0') != std::u16string::npos) {
        throw OsError("cannot open " + utf8Path, ERROR_INVALID_NAME, ErrorClass::InvalidName);
    }
    DWORD desired = 0;
    switch (access) {
        case FileAccess::Read:
            desired = GENERIC_READ;
            break;
        case FileAccess::Write:
            desired = GENERIC_WRITE;
            break;
        case FileAccess::ReadWrite:
            desired = GENERIC_READ | GENERIC_WRITE;
            break;
    }
    DWORD shareMode = 0;
    switch (share) {
        case FileShare::None:
            break;
        case FileShare::Read:
            shareMode = FILE_SHARE_READ;
            break;
        case FileShare::Write:
            shareMode = FILE_SHARE_WRITE;
            break;
        case FileShare::ReadWrite:
            shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
            break;
    }
    DWORD disposition = CREATE_ALWAYS;
    switch (creation) {
        case FileCreation::OpenExisting:
            disposition = OPEN_EXISTING;
            break;
        case FileCreation::OpenAlways:
            disposition = OPEN_ALWAYS;
            break;
        case FileCreation::CreateAlways:
            disposition = CREATE_ALWAYS;
            break;
        case FileCreation::CreateNew:
            // Fails on any existing entry, a reparse point included.
            disposition = CREATE_NEW;
            break;
    }
    HANDLE handle = ::CreateFileW(win32::Wide(wide).c_str(), desired, shareMode, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw win32::LastError("cannot open " + utf8Path);
    }
    return std::unique_ptr<FileStream>(new FileStream(win32::HandleToInt(handle)));
}

FileStream::~FileStream() {
    Close();
}

bool FileStream::FlushToDisk() {
    return descriptor_ != -1 && ::FlushFileBuffers(HandleOf(descriptor_)) != 0;
}

bool FileStream::Close() {
    if (descriptor_ == -1) {
        return false;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::CloseHandle(HandleOf(descriptor)) != 0;
}

int64_t FileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        DWORD moved = 0;
        const auto want = static_cast<DWORD>(std::min(count - done, kChunk));
        if (!::ReadFile(HandleOf(descriptor_), bytes + done, want, &moved, nullptr) || moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
    count = AllowedByBudget(count);
    int64_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        DWORD moved = 0;
        const auto want = static_cast<DWORD>(std::min(count - done, kChunk));
        if (!::WriteFile(HandleOf(descriptor_), bytes + done, want, &moved, nullptr) ||
            moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER result{};
    if (!::SetFilePointerEx(HandleOf(descriptor_), distance, &result, method)) {
        return -1;
    }
    return result.QuadPart;
}

int64_t FileStream::Position() {
    return Seek(0, SeekOrigin::Current);
}

int64_t FileStream::Size() {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(HandleOf(descriptor_), &size) ? size.QuadPart : -1;
}

// Like ftruncate, the position stays where it was.
bool FileStream::SetSize(int64_t size) {
    const int64_t position = Position();
    if (position < 0 || size < 0 || Seek(size, SeekOrigin::Begin) < 0) {
        return false;
    }
    const bool done = ::SetEndOfFile(HandleOf(descriptor_)) != 0;
    return Seek(position, SeekOrigin::Begin) >= 0 && done;
}

}  // namespace foldant::platform
