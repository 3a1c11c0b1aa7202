#include "merge/foldant.h"

#include <array>
#include <cctype>
#include <exception>

#include "json/json_text.h"
#include "pdf/pdf_error.h"
#include "pdf/pdf_library.h"
#include "platform/os_error.h"
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
    const auto slash = path.find_last_of('/');
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
    for (int j = 0; j < count; ++j) {
        if (OnItem) {
            OnItem(*this);
        }
        const bool ok = MergeItem(j == count - 1, target, ItemFileName(j));
        outcomes_[static_cast<size_t>(j)] = lastOutcome_;
        ItemList->ChildAt(j)->SetBoolMember("Merged.Success", ok);
    }
    int joined = 0;
    for (int j = 0; j < count; ++j) {
        joined += JsonReadBool(ItemList->ChildAt(j), "Merged.Success") ? 1 : 0;
    }
    return joined == count;
}

bool TFoldant::MergeItem(bool isLast, const std::string& target, const std::string& itemFile) {
    lastOutcome_ = JoinItem(isLast, target, itemFile);
    return lastOutcome_ == ItemOutcome::Joined;
}

TFoldant::ItemOutcome TFoldant::JoinItem(bool isLast, const std::string& target,
                                         const std::string& itemFile) {
    TempFiles<3> temp;
    if (!CopyFileRetry(target, temp[0])) {
        return ItemOutcome::NotWritten;
    }
    try {
        if (!CopyFileRetry(itemFile, temp[1])) {
            return ItemOutcome::NotWritten;
        }
    } catch (const platform::OsError&) {
        return ItemOutcome::NotOpened;
    }
    TFileReplacement replacement(target);
    const bool encrypt = EncryptResult && isLast;
    TPdfLibraryEx engine;
    try {
        if (!engine.JoinFiles(temp[0], temp[1], encrypt ? temp[2] : replacement.WorkFile())) {
            return OutcomeOfRefusal(engine.FailureCode);
        }
        if (encrypt && !engine.EncryptedCopy(temp[2], replacement.WorkFile(), PermissionFlags,
                                             ExtraFlags, Level)) {
            return OutcomeOfRefusal(engine.FailureCode);
        }
    } catch (const PdfError&) {
        // The engine works on the job's own copies here, so what it could not open or create
        // is a working file.
        return ItemOutcome::NotWritten;
    }
    if (replacement.Commit() != TFileReplacement::Result::Replaced) {
        return ItemOutcome::NotWritten;
    }
    return ItemOutcome::Joined;
}

}  // namespace foldant
