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

TFoldant::ItemOutcome OutcomeOfRefusal(int32_t failureCode) {
    switch (failureCode) {
        case TPdfLibrary::kEncrypted:
            return TFoldant::ItemOutcome::Encrypted;
        case TPdfLibrary::kNotWritten:
            return TFoldant::ItemOutcome::NotWritten;
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
    OnItem = std::move(onItem);
    TPermissionRequest request;
    request.Level = Level;
    DecodePermissionCode(permissionCode, request);
    EncryptResult = request.EncryptResult;
    PermissionFlags = request.PermissionFlags;
    ExtraFlags = request.ExtraFlags;
    Level = request.Level;

    RemoveStaleJobFiles(GetTempFolder());
    RemoveStaleJobFiles(FolderOf(target));

    const int count = ItemList->ChildCount();
    outcomes_.assign(static_cast<size_t>(count), ItemOutcome::NotRun);
    if (count > 0) {
        JoinAllItems(target);
    }
    int joined = 0;
    for (int j = 0; j < count; ++j) {
        const bool ok = outcomes_[static_cast<size_t>(j)] == ItemOutcome::Joined;
        ItemList->ChildAt(j)->SetBoolMember("Merged.Success", ok);
        joined += ok ? 1 : 0;
    }
    return joined == count;
}

// Every item is joined onto the result so far, which waits in the temporary folder between
// items; the target is only read. The last item's join goes straight to the work file beside
// the target (or, when the result is to be encrypted, the encrypted copy does), and the work
// file replaces the target once: one flush to the disk per job, not one per item. Every engine
// call has read its output back whole before it counts.
void TFoldant::JoinAllItems(const std::string& target) {
    // A target that cannot be opened ends the job with its error before any item is tried.
    { TWideFileStream opened(AnsiToUtf16(target), TWideFileStream::kModeRead); }

    TempFiles<3> temp;
    const std::string& itemCopy = temp[0];
    TFileReplacement replacement(target);
    std::string current = target;
    size_t nextResult = 1;
    const int count = ItemList->ChildCount();
    for (int j = 0; j < count; ++j) {
        if (OnItem) {
            OnItem(*this);
        }
        const bool last = j == count - 1;
        const std::string& result =
            last && !EncryptResult ? replacement.WorkFile() : temp[nextResult];
        ItemOutcome& outcome = outcomes_[static_cast<size_t>(j)];
        outcome = JoinItem(current, ItemFileName(j), itemCopy, result);
        if (outcome == ItemOutcome::Joined) {
            current = result;
            nextResult = nextResult == 1 ? 2 : 1;
        }
    }
    if (current == target) {
        return;
    }
    if (!FinishWorkFile(current, replacement.WorkFile()) ||
        replacement.Commit() != TFileReplacement::Result::Replaced) {
        for (ItemOutcome& outcome : outcomes_) {
            if (outcome == ItemOutcome::Joined) {
                outcome = ItemOutcome::NotWritten;
            }
        }
    }
}

bool TFoldant::FinishWorkFile(const std::string& joined, const std::string& workFile) {
    try {
        if (EncryptResult) {
            TPdfLibraryEx engine;
            return engine.EncryptedCopy(joined, workFile, PermissionFlags, ExtraFlags, Level);
        }
        // A last item that was not joined leaves the result of the one before it.
        return joined == workFile || CopyFileRetry(joined, workFile);
    } catch (const std::exception&) {
        return false;
    }
}

TFoldant::ItemOutcome TFoldant::JoinItem(const std::string& current, const std::string& itemFile,
                                         const std::string& itemCopy, const std::string& result) {
    // The item is joined from a copy, so a program that still writes it cannot change it
    // half-way through the join.
    try {
        if (!CopyFileRetry(itemFile, itemCopy)) {
            return ItemOutcome::NotWritten;
        }
    } catch (const platform::OsError&) {
        return ItemOutcome::NotOpened;
    }
    TPdfLibraryEx engine;
    engine.Compact = Compact;
    try {
        if (!engine.JoinFiles(current, itemCopy, result)) {
            return OutcomeOfRefusal(engine.FailureCode);
        }
    } catch (const PdfError&) {
        // The target opened at the start and the item was copied, so what the engine could
        // not open or create is a working file.
        return ItemOutcome::NotWritten;
    }
    return ItemOutcome::Joined;
}

}  // namespace foldant
