#include "merge/foldant.h"

#include <array>
#include <cctype>
#include <exception>

#include "json/json_text.h"
#include "pdf/pdf_error.h"
#include "pdf/pdf_library.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_system.h"
#include "platform/os_error.h"
#include "platform/windows1252.h"
#include "util/file_replacement.h"
#include "util/file_utils.h"
#include "util/job_files.h"

namespace foldant {

namespace {

constexpr std::string_view kTempMarker = "<tmp>";

TFoldant::ItemOutcome OutcomeOf(TPdfLibrary::Refusal refusal) {
    switch (refusal) {
        case TPdfLibrary::kNoRefusal:
            return TFoldant::ItemOutcome::Joined;
        case TPdfLibrary::kEncrypted:
            return TFoldant::ItemOutcome::Encrypted;
        case TPdfLibrary::kNotWritten:
            return TFoldant::ItemOutcome::NotWritten;
        case TPdfLibrary::kNotOpened:
            return TFoldant::ItemOutcome::NotOpened;
        default:
            return TFoldant::ItemOutcome::NotPdf;
    }
}

// Temporary job files that are deleted, when they exist, on every way out.
template <size_t Count>
class TempFiles {
  public:
    TempFiles() {
        const std::string folder = GetTempFolder();
        for (std::string& name : names_) {
            name = JobFileName(folder, ".pdf");
        }
    }
    ~TempFiles() {
        for (const std::string& name : names_) {
            try {
                DeleteFileIfExists(name);
            } catch (const std::exception&) {
            }
        }
    }
    TempFiles(const TempFiles&) = delete;
    TempFiles& operator=(const TempFiles&) = delete;

    const std::string& operator[](size_t index) const { return names_[index]; }

  private:
    std::array<std::string, Count> names_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of(platform::kPathDelimiters);
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

std::string ExpandTempMarker(const std::string& path, const std::string& tempFolder) {
    std::string result;
    size_t i = 0;
    while (i < path.size()) {
        bool marker = path.size() - i >= kTempMarker.size();
        for (size_t k = 0; marker && k < kTempMarker.size(); ++k) {
            marker = std::tolower(static_cast<unsigned char>(path[i + k])) == kTempMarker[k];
        }
        if (marker) {
            result += tempFolder;
            i += kTempMarker.size();
        } else {
            result += path[i++];
        }
    }
    return result;
}

std::string TFoldant::BuildJobText(const std::vector<std::string>& files) {
    TQvJSON job;
    auto items = std::make_unique<TQvSONList>();
    for (const std::string& file : files) {
        auto item = std::make_unique<TQvJSON>();
        item->SetTextMember("PDFFileName", file);
        item->SetBoolMember("PrintResult.Success", true);
        items->AddItem(std::move(item));
    }
    job.AddMember(u"Items", std::move(items));
    return TQvJSONText::PrintCompact(job);
}

TFoldant::TFoldant(std::string_view jobText) : ItemList(std::make_unique<TQvSONList>()) {
    std::unique_ptr<TQvCustomJSON> job = TQvJSONText::ParseJsonText(jobText);
    if (job == nullptr) {
        return;
    }
    LogFile = JsonReadText(job.get(), "LogFileName");
    Compact = JsonReadBool(job.get(), "Compact");
    TQvCustomJSON* items = JsonFindNode(job.get(), "Items");
    if (items == nullptr || items == job.get()) {
        return;
    }
    for (int i = 0; i < items->ChildCount(); ++i) {
        TQvCustomJSON* child = JsonChild(items, i);
        const std::string fileName = JsonReadText(child, "PDFFileName");
        if (!JsonReadBool(child, "PrintResult.Success") || fileName.empty()) {
            continue;
        }
        auto item = std::make_unique<TQvJSON>();
        item->SetTextMember("PDFFileName", fileName);
        item->SetBoolMember("DeletePDFFile", JsonReadBool(child, "DeletePDFFile"));
        ItemList->AddItem(std::move(item));
    }
}

TFoldant::~TFoldant() {
    try {
        DeleteMarkedFiles();
    } catch (const std::exception&) {
    }
    try {
        WriteLog();
    } catch (const std::exception&) {
    }
}

std::string TFoldant::ItemFileName(int index) const {
    return JsonReadText(JsonChild(ItemList.get(), index), "PDFFileName");
}

void TFoldant::DeleteMarkedFiles() {
    for (int i = 0; i < ItemList->ChildCount(); ++i) {
        TQvCustomJSON* item = JsonChild(ItemList.get(), i);
        if (JsonReadBool(item, "DeletePDFFile")) {
            DeleteFileIfExists(JsonReadText(item, "PDFFileName"));
        }
    }
}

void TFoldant::WriteLog() {
    if (LogFile.empty()) {
        return;
    }
    TQvJSONStreamer::WriteNodeToFile(ItemList.get(), ExpandTempMarker(LogFile, GetTempFolder()));
}

bool TFoldant::MergeAll(std::string_view permissionCode, const std::string& target,
                        ItemCallback onItem) {
    return MergeAll(permissionCode, target, target, std::move(onItem));
}

bool TFoldant::MergeAll(std::string_view permissionCode, const std::string& first,
                        const std::string& output, ItemCallback onItem) {
    OnItem = std::move(onItem);
    TPermissionRequest request;
    request.Level = Level;
    DecodePermissionCode(permissionCode, request);
    EncryptResult = request.EncryptResult;
    PermissionFlags = request.PermissionFlags;
    ExtraFlags = request.ExtraFlags;
    Level = request.Level;

    RemoveStaleJobFiles(GetTempFolder());
    RemoveStaleJobFiles(FolderOf(output));

    const int count = ItemList->ChildCount();
    outcomes_.assign(static_cast<size_t>(count), ItemOutcome::NotRun);
    wroteOutput_ = JoinAllItems(first, output);
    int joined = 0;
    for (int j = 0; j < count; ++j) {
        const bool ok = outcomes_[static_cast<size_t>(j)] == ItemOutcome::Joined;
        ItemList->ChildAt(j)->SetBoolMember("Merged.Success", ok);
        joined += ok ? 1 : 0;
    }
    return joined == count;
}

// All items are joined in one pass straight into the work file beside the output (or, when the
// result is to be encrypted, into a temporary file the encrypted copy reads), and the work file
// replaces the output once: the one flush to the disk of the job. Every engine call has read its
// output back whole before it counts.
bool TFoldant::JoinAllItems(const std::string& first, const std::string& output) {
    const int count = ItemList->ChildCount();
    if (count == 0 && first == output) {
        return true;
    }
    // A target that cannot be opened ends the job with its error before any item is tried.
    { TWideFileStream opened(AnsiToUtf16(first), TWideFileStream::kModeRead); }

    TempFiles<1> temp;
    TFileReplacement replacement(output);
    std::vector<std::string> items;
    for (int j = 0; j < count; ++j) {
        if (OnItem) {
            OnItem(*this);
        }
        items.push_back(ItemFileName(j));
    }
    const std::string& joined = EncryptResult ? temp[0] : replacement.WorkFile();
    const bool anyJoined = JoinItems(first, items, joined);
    if (!anyJoined && first == output) {
        return true;
    }
    if (FinishWorkFile(anyJoined ? joined : first, !anyJoined, replacement.WorkFile()) &&
        replacement.Commit() == TFileReplacement::Result::Replaced) {
        return true;
    }
    for (ItemOutcome& outcome : outcomes_) {
        if (outcome == ItemOutcome::Joined) {
            outcome = ItemOutcome::NotWritten;
        }
    }
    return false;
}

bool TFoldant::JoinItems(const std::string& first, const std::vector<std::string>& items,
                         const std::string& result) {
    TPdfLibraryEx engine;
    engine.Compact = Compact;
    bool written = false;
    try {
        written = engine.JoinFiles(first, items, result);
    } catch (const PdfError&) {
        // The target opened at the start, so what the engine could not open or create is the
        // working file.
        outcomes_.assign(items.size(), ItemOutcome::NotWritten);
        return false;
    }
    for (size_t j = 0; j < items.size(); ++j) {
        const TPdfLibrary::Refusal refusal = engine.ItemRefusals[j];
        outcomes_[j] = refusal == TPdfLibrary::kNoRefusal && !written ? ItemOutcome::NotWritten
                                                                      : OutcomeOf(refusal);
    }
    return written;
}

bool TFoldant::FinishWorkFile(const std::string& joined, bool nothingJoined,
                              const std::string& workFile) {
    try {
        // The output of a job that joined nothing is the first file as it was.
        if (EncryptResult && !nothingJoined) {
            TPdfLibraryEx engine;
            return engine.EncryptedCopy(joined, workFile, PermissionFlags, ExtraFlags, Level);
        }
        return joined == workFile || CopyFileRetry(joined, workFile);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace foldant
