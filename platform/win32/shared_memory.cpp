#include "platform/shared_memory.h"

#include <map>
#include <mutex>
#include <optional>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

// The section record of the system's native interface; its size is the mapping's exact size,
// where a mapped view only tells whole pages.
struct SectionBasicInformation {
    void* baseAddress;
    ULONG attributes;
    LARGE_INTEGER size;
};
using NtQuerySectionFunction = LONG(WINAPI*)(HANDLE, int, void*, SIZE_T, SIZE_T*);

std::optional<size_t> MappingSize(HANDLE mapping) {
    static const auto query = reinterpret_cast<NtQuerySectionFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySection")));
    SectionBasicInformation information{};
    if (query == nullptr || query(mapping, 0, &information, sizeof information, nullptr) != 0 ||
        information.size.QuadPart <= 0) {
        return std::nullopt;
    }
    return static_cast<size_t>(information.size.QuadPart);
}

// Longest name the object namespace takes for one object.
constexpr size_t kMaxNameLength = 255;

// The mapping's name as the system sees it, or nothing for a name it cannot use. A backslash
// would name another namespace.
std::optional<std::wstring> ObjectName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength ||
        name.find_first_of(std::string("\\/\0", 3)) != std::string::npos || name == "." ||
        name == "..") {
        return std::nullopt;
    }
    return win32::Wide(name);
}

// A named mapping lives while a handle to it is open; the creating side keeps its handles here
// until it removes the block.
std::mutex gCreatedGuard;
std::map<std::wstring, win32::Handle> gCreated;

}  // namespace

std::unique_ptr<SharedMemoryBlock> SharedMemoryBlock::Open(const std::string& name,
                                                           BlockAccess access) {
    const auto objectName = ObjectName(name);
    if (!objectName) {
        return nullptr;
    }
    const bool writable = access == BlockAccess::ReadWrite;
    const DWORD rights = writable ? FILE_MAP_READ | FILE_MAP_WRITE : FILE_MAP_READ;
    win32::Handle mapping(::OpenFileMappingW(rights | SECTION_QUERY, FALSE, objectName->c_str()));
    if (!mapping.Valid()) {
        return nullptr;
    }
    void* view = ::MapViewOfFile(mapping.Get(), rights, 0, 0, 0);
    if (view == nullptr) {
        return nullptr;
    }
    // The view keeps the mapping alive once it exists.
    std::optional<size_t> size = MappingSize(mapping.Get());
    MEMORY_BASIC_INFORMATION region{};
    if (!size && ::VirtualQuery(view, &region, sizeof region) != 0) {
        size = region.RegionSize;
    }
    if (!size || *size == 0) {
        ::UnmapViewOfFile(view);
        return nullptr;
    }
    return std::unique_ptr<SharedMemoryBlock>(
        new SharedMemoryBlock(static_cast<char*>(view), *size, writable));
}

SharedMemoryBlock::~SharedMemoryBlock() {
    ::UnmapViewOfFile(data_);
}

bool SharedMemoryBlock::Flush() {
    return ::FlushViewOfFile(data_, size_) != 0;
}

void CreateSharedMemoryBlock(const std::string& name, std::size_t size) {
    const auto objectName = ObjectName(name);
    if (!objectName || size == 0) {
        throw OsError("cannot create shared memory block " + name, ERROR_INVALID_NAME,
                      ErrorClass::InvalidName);
    }
    std::lock_guard lock(gCreatedGuard);
    if (gCreated.count(*objectName) != 0) {
        return;
    }
    const auto size64 = static_cast<unsigned long long>(size);
    win32::Handle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                               static_cast<DWORD>(size64 >> 32),
                                               static_cast<DWORD>(size64), objectName->c_str()));
    if (!mapping.Valid()) {
        throw win32::LastError("cannot create shared memory block " + name);
    }
    gCreated.emplace(*objectName, std::move(mapping));
}

bool RemoveSharedMemoryBlock(const std::string& name) {
    const auto objectName = ObjectName(name);
    if (!objectName) {
        return false;
    }
    std::lock_guard lock(gCreatedGuard);
    return gCreated.erase(*objectName) != 0;
}

}  // namespace foldant::platform
