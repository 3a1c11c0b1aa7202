#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace foldant::platform {

enum class FileAccess { Read, Write, ReadWrite };
// What others may do with the file while this stream holds it. Other processes are kept out
// with advisory locks: denying writers takes a shared lock, denying everyone an exclusive one.
enum class FileShare { None, Read, Write, ReadWrite };
// CreateNew makes a file that does not exist yet; any existing entry of that name, a symbolic
// link included, makes the open fail, so nothing planted there is ever followed.
enum class FileCreation { OpenExisting, OpenAlways, CreateAlways, CreateNew };
enum class SeekOrigin { Begin, Current, End };
// Whether an open that keeps no lock of its own (others may read and write) still refuses, as a
// sharing violation, a file that another open holds with a lock denying the access asked for.
enum class OthersLocks { Ignore, Respect };

// A seekable byte stream over an operating-system file handle. Paths are Windows-1252 text or
// UTF-16 and are converted to the file system's UTF-8 here.
class FileStream {
  public:
    // Raises OsError when the file cannot be opened.
    static std::unique_ptr<FileStream> Open(const std::string& ansiPath, FileAccess access,
                                            FileShare share, FileCreation creation,
                                            OthersLocks othersLocks = OthersLocks::Ignore);
    static std::unique_ptr<FileStream> Open(const std::u16string& widePath, FileAccess access,
                                            FileShare share, FileCreation creation,
                                            OthersLocks othersLocks = OthersLocks::Ignore);

    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Both answer the number of bytes moved; a failure counts as 0.
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* buffer, int64_t count);
    // Answers the new position, or -1 on failure.
    int64_t Seek(int64_t offset, SeekOrigin origin);
    int64_t Position();
    int64_t Size();
    bool SetSize(int64_t size);
    // Hands what was written to the disk itself, past every cache; false when the disk reports
    // an error.
    bool FlushToDisk();
    // Closes the file and answers whether the system kept every byte written; a full disk may
    // report itself only here. Later calls answer false and the destructor does nothing more.
    bool Close();

  private:
    explicit FileStream(int descriptor) : descriptor_(descriptor) {}
    static std::unique_ptr<FileStream> OpenUtf8(const std::string& utf8Path, FileAccess access,
                                                FileShare share, FileCreation creation,
                                                OthersLocks othersLocks);
    int descriptor_;
};

// For tests: once this many more bytes have been written through file streams of this process,
// every further write fails as on a full disk. A negative count lifts the limit.
void FailWritesAfter(int64_t bytes);

}  // namespace foldant::platform
