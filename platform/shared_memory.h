#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace foldant::platform {

enum class BlockAccess { Read, ReadWrite };

// A named block of shared memory that another process created. The block is the POSIX
// shared-memory object "/" + name; the name is Windows-1252 text, passed to the system as UTF-8.
// The whole object is mapped; a block of size 0 cannot be mapped and counts as missing.
class SharedMemoryBlock {
  public:
    // Answers nothing when the block does not exist or cannot be mapped, and for every name that
    // the system cannot use as such an object (empty, containing "/" or NUL, too long, "." or
    // "..").
    static std::unique_ptr<SharedMemoryBlock> Open(const std::string& name, BlockAccess access);

    ~SharedMemoryBlock();
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;

    std::size_t Size() const { return size_; }
    const char* Data() const { return data_; }
    // Null for a block opened for reading.
    char* WritableData() { return writable_ ? data_ : nullptr; }
    // Writes the mapped bytes back; answers false when the system refuses.
    bool Flush();

  private:
    SharedMemoryBlock(char* data, std::size_t size, bool writable)
        : data_(data), size_(size), writable_(writable) {}
    char* data_;
    std::size_t size_;
    bool writable_;
};

// The host's side: creates the block with the given size (a new block is zero-filled, an
// existing one is resized), readable and writable by the owner only. Raises OsError when that
// fails or the name is unusable.
void CreateSharedMemoryBlock(const std::string& name, std::size_t size);
// Answers false when there was no such block.
bool RemoveSharedMemoryBlock(const std::string& name);

}  // namespace foldant::platform
