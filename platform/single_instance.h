#pragma once

// The module's single-instance rule. On Windows a named mutex, owned by the process that created
// it; on Linux a share-none lock on a file, which the system drops when the process ends, however
// it ends.

#include <memory>
#include <string>

namespace foldant::platform {

class SingleInstance {
  public:
    // Nothing when another process holds the name, or when the system reports any error while
    // claiming it: the caller then takes it that another instance runs.
    // `lockFile` is the file Linux locks in place of the mutex; Windows does not use it.
    static std::unique_ptr<SingleInstance> Claim(const std::string& name,
                                                 const std::string& lockFile);
    virtual ~SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

  protected:
    SingleInstance() = default;
};

}  // namespace foldant::platform
