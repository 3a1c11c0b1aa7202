#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "json/qv_json.h"
#include "merge/permission_code.h"

namespace foldant {

// Appends a list of PDF files, one after the other, to a target PDF file, and records for each
// whether it was joined. Marked source files are deleted and the log is written when the job is
// destroyed.
class TFoldant {
  public:
    using ItemCallback = std::function<void(TFoldant& sender)>;

    // Why an item was or was not joined; the job document itself only says whether.
    enum class ItemOutcome {
        NotRun,
        Joined,
        Encrypted,
        NotPdf,
        // The item's file could not be opened (missing, or held by another program).
        NotOpened,
        // The joined file could not be written completely or could not replace the target;
        // the target is as it was.
        NotWritten,
    };

    // The job document for these files, each taken into the job.
    static std::string BuildJobText(const std::vector<std::string>& files);

    // A text that is not JSON gives an empty job.
    explicit TFoldant(std::string_view jobText);
    ~TFoldant();
    TFoldant(const TFoldant&) = delete;
    TFoldant& operator=(const TFoldant&) = delete;

    // True when every item was joined (an empty job too). All items are joined in one pass into
    // one result, which replaces the target once; the target is replaced only by a complete
    // result that reads back with every page, and at every moment holds either its old content
    // or the new one. An item that cannot be opened or read is left out and not joined; when
    // the result cannot replace the target, no item counts as joined. A target that cannot be
    // opened ends the run with its error. Working files that killed runs left in the temporary
    // folder and beside the target are removed first.
    bool MergeAll(std::string_view permissionCode, const std::string& target,
                  ItemCallback onItem = {});
    // The same job with the pages of `first` in the target's place: the result replaces
    // `output` (which is made when missing), and `first` is only read. When no item is joined,
    // `output` receives a copy of `first`. Same file for both: the job above.
    bool MergeAll(std::string_view permissionCode, const std::string& first,
                  const std::string& output, ItemCallback onItem = {});
    // Whether the last run left its result in the output: false when the result could not
    // replace it, which then holds what it held before.
    bool WroteOutput() const { return wroteOutput_; }

    int ItemCount() const { return ItemList->ChildCount(); }
    std::string ItemFileName(int index) const;
    // The outcome of each item of the last run, parallel to ItemList.
    const std::vector<ItemOutcome>& Outcomes() const { return outcomes_; }

    std::unique_ptr<TQvSONList> ItemList;
    std::string LogFile;
    uint8_t PermissionFlags = 0;
    uint8_t ExtraFlags = 0;
    uint8_t Level = TPermissionRequest::kLevel40;
    bool EncryptResult = false;
    // From the job member "Compact": the joins store each object a reader can reach once.
    bool Compact = false;
    ItemCallback OnItem;

  private:
    // Answers whether the output holds the result.
    bool JoinAllItems(const std::string& first, const std::string& output);
    // Joins every item that can be joined onto `first` into `result` in one pass and records
    // each item's outcome; true when `result` holds the join.
    bool JoinItems(const std::string& first, const std::vector<std::string>& items,
                   const std::string& result);
    // Puts the joined result into the work file, encrypted when asked and something was joined.
    bool FinishWorkFile(const std::string& joined, bool nothingJoined, const std::string& workFile);
    void DeleteMarkedFiles();
    void WriteLog();

    std::vector<ItemOutcome> outcomes_;
    bool wroteOutput_ = false;
};

// The log path with every "<tmp>", in any letter case, replaced by the module's temporary
// folder.
std::string ExpandTempMarker(const std::string& path, const std::string& tempFolder);

}  // namespace foldant
