#pragma once

// The module's single-instance rule: the module's GUID claimed as a named mutex (on Linux, a
// lock on a file of that name in the module's temporary folder). The system drops the claim when
// the process ends, however it ends.

#include <memory>
#include <string>

namespace foldant {

namespace platform {
class SingleInstance;
}

class TInstanceLock {
  public:
    // Nothing when another instance holds the claim or it cannot be made.
    static std::unique_ptr<TInstanceLock> Acquire(const std::string& guid);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // Releases the lock before the process ends.
    void Release();

  private:
    explicit TInstanceLock(std::unique_ptr<platform::SingleInstance> claim);
    std::unique_ptr<platform::SingleInstance> claim_;
};

}  // namespace foldant
