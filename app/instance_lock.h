#pragma once

// The module's single-instance rule: a lock on a file named by the module's GUID in the module's
// temporary folder. The system drops the lock when the process ends, however it ends.

#include <memory>
#include <string>

namespace foldant {

namespace platform {
class FileStream;
}

class TInstanceLock {
  public:
    // Nothing when another process holds the lock or the file cannot be made.
    static std::unique_ptr<TInstanceLock> Acquire(const std::string& guid);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // Releases the lock before the process ends.
    void Release();

  private:
    explicit TInstanceLock(std::unique_ptr<platform::FileStream> file);
    std::unique_ptr<platform::FileStream> file_;
};

}  // namespace foldant
