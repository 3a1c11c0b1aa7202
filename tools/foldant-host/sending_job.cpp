#include "tools/foldant-host/sending_job.h"

#include <filesystem>
#include <map>
#include <stdexcept>

#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/file_system.h"
#include "platform/windows1252.h"
#include "util/file_utils.h"

namespace foldant {

namespace {

bool IsCancel(TQvCustomJSON* answer) {
    return JsonReadText(answer, "Succeded") == "2";
}

std::string FileNameOf(const std::string& path) {
    auto slash = path.find_last_of(platform::kPathDelimiters);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The response conversation; answers the copies the module joined, or nothing after a cancel.
int Respond(const THostOptions& options, const std::string& target,
            const std::vector<std::string>& copies, std::ostream& out,
            std::vector<std::string>& joined) {
    TQvJSON response;
    response.SetTextMember("AddAttachments", JoinLines(copies));
    auto answer =
        THostConversation(options, "spooler-", out)
            .Run({{"Response", TQvJSONText::PrintCompact(response)}, {"PDFFileName", target}});
    if (IsCancel(answer.get())) {
        out << "The module cancelled the sending process.\n";
        return kHostCancelled;
    }
    joined = SplitLines(JsonReadText(answer.get(), "RemoveAttachments"));
    return kHostDone;
}

void PrintReplaced(const std::string& target, const std::vector<std::string>& replaced,
                   std::ostream& out) {
    out << "The joined file " << AnsiToUtf8(target) << " replaces " << replaced.size()
        << " attachment(s):\n";
    for (const auto& path : replaced) {
        out << "  " << AnsiToUtf8(path) << '\n';
    }
}

// Copies of the chosen files, each in a numbered folder of its own so that equal file names do
// not collide. Removes what it made when dropped.
class TWorkingCopies {
  public:
    TWorkingCopies(const std::vector<std::string>& chosen, const std::string& folder)
        : folder_(folder) {
        int index = 0;
        for (const auto& path : chosen) {
            std::string copy = folder + std::to_string(++index) + "/" + FileNameOf(path);
            if (!CopyFileRetry(path, copy)) {
                throw std::runtime_error("cannot make a working copy of " + AnsiToUtf8(path));
            }
            copies_.push_back(copy);
            originals_[copy] = path;
        }
    }
    ~TWorkingCopies() {
        for (std::size_t index = 0; index < copies_.size(); ++index) {
            DeleteFileIfExists(copies_[index]);
            RemoveEmptyFolder(folder_ + std::to_string(index + 1));
        }
        RemoveEmptyFolder(folder_);
    }
    TWorkingCopies(const TWorkingCopies&) = delete;
    TWorkingCopies& operator=(const TWorkingCopies&) = delete;

    const std::vector<std::string>& Copies() const { return copies_; }
    std::string OriginalOf(const std::string& copy) const {
        auto found = originals_.find(copy);
        return found == originals_.end() ? copy : found->second;
    }

  private:
    static void RemoveEmptyFolder(const std::string& path) {
        std::error_code ignored;
        std::filesystem::remove(AnsiToUtf8(path), ignored);
    }

    std::string folder_;
    std::vector<std::string> copies_;
    std::map<std::string, std::string> originals_;
};

}  // namespace

int RunRespond(const THostOptions& options, const std::string& target,
               const std::vector<std::string>& copies, std::ostream& out) {
    std::vector<std::string> joined;
    int result = Respond(options, target, copies, out, joined);
    if (result == kHostDone) {
        PrintReplaced(target, joined, out);
    }
    return result;
}

int RunSend(const THostOptions& options, const TSendingJob& job, std::ostream& out) {
    auto answer = THostConversation(options, "varnel-", out)
                      .Run({{"DBPath", job.dbPath},
                            {"JSONFileName", job.orderFile},
                            {"InfoCaption", job.caption},
                            {"Attachments", JoinLines(job.attachments)}});
    if (IsCancel(answer.get())) {
        out << "The module cancelled the sending process.\n";
        return kHostCancelled;
    }
    if (JsonReadBool(answer.get(), "CallServerExeNameOff")) {
        out << "The module declined this sending job.\n";
        return kHostDone;
    }
    std::vector<std::string> chosen = SplitLines(JsonReadText(answer.get(), "AddAttachments"));
    out << "The module chose " << chosen.size() << " attachment(s).\n";
    if (chosen.empty()) {
        return kHostDone;
    }

    TWorkingCopies copies(chosen, UniqueTempName() + "/");
    std::vector<std::string> joined;
    int result = Respond(options, job.target, copies.Copies(), out, joined);
    if (result != kHostDone) {
        return result;
    }
    std::vector<std::string> replaced;
    for (const auto& copy : joined) {
        replaced.push_back(copies.OriginalOf(copy));
    }
    PrintReplaced(job.target, replaced, out);
    return kHostDone;
}

}  // namespace foldant
