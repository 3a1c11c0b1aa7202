#include "platform/single_instance.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

namespace {

class OwnedMutex : public SingleInstance {
  public:
    explicit OwnedMutex(HANDLE mutex) : mutex_(mutex) {}
    ~OwnedMutex() override { ::CloseHandle(mutex_); }

  private:
    HANDLE mutex_;
};

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::Claim(const std::string& name,
                                                      const std::string& /*lockFile*/) {
    ::SetLastError(ERROR_SUCCESS);
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, win32::Wide(name).c_str());
    // ERROR_ALREADY_EXISTS is the usual case of a running instance, but any report counts.
    if (mutex == nullptr || ::GetLastError() != ERROR_SUCCESS) {
        if (mutex != nullptr) {
            ::CloseHandle(mutex);
        }
        return nullptr;
    }
    return std::make_unique<OwnedMutex>(mutex);
}

}  // namespace foldant::platform
