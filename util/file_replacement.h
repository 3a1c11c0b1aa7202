#pragma once

// A new version of a user's file, written beside it and swapped in only once it is complete.

#include <string>

namespace foldant {

class TFileReplacement {
  public:
    // Whether Commit could swap the work file in or had to copy over the target.
    enum class Method { Rename, CopyInPlace };
    enum class Result { Replaced, NotReplaced };

    // Chooses the work file: a new job file in the target's own folder, or, where that folder
    // takes no new files, one in the module's temporary folder.
    explicit TFileReplacement(std::string target);
    // Removes the work file unless it became the target.
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // Where the new version is to be written before Commit.
    const std::string& WorkFile() const { return work_; }
    Method How() const { return method_; }

    // Makes the work file the target. Renamed: flushed to the disk, then put in the target's
    // place in one step. Copied in place: the original is kept in the temporary folder until
    // the copy is on the disk and reads back equal, and is put back when it does not. The
    // target is unchanged after NotReplaced, except when even putting the original back
    // failed; the original then stays where KeptOriginal() says.
    Result Commit();
    const std::string& KeptOriginal() const { return keptOriginal_; }

  private:
    Result CopyInPlace();

    std::string target_;
    std::string work_;
    std::string keptOriginal_;
    Method method_ = Method::Rename;
    bool committed_ = false;
};

// Copies `source` over `destination` and hands the copy to the disk; true only when every byte
// was written, flushed and closed without error and the destination reads back equal.
bool CopyAndFlush(const std::string& source, const std::string& destination);

}  // namespace foldant
