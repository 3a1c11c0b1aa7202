#pragma once

#include <filesystem>
#include <string>

namespace foldant::testing {

// A fresh folder under the build tree for one test, removed again at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return path_.string(); }
    // Writes bytes to name inside the folder and answers the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::string& path);

}  // namespace foldant::testing
