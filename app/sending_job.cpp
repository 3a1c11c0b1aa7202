#include "app/sending_job.h"

#include <exception>

#include "app/attachment_rules.h"
#include "exchange/exchange_object.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "merge/foldant.h"
#include "script/setup_script.h"
#include "util/file_utils.h"

namespace foldant {

namespace {

TExChangeObject::THandler DataHandler(TSendingJob& job) {
    return [&job](TExChangeObject& exchange, TQvCustomJSON& document) {
        job.HandleDataMessage(exchange, document);
    };
}

TExChangeObject::THandler ResponseHandler(TSendingJob& job) {
    return [&job](TExChangeObject& exchange, TQvCustomJSON& document) {
        job.HandleResponseMessage(exchange, document);
    };
}

}  // namespace

TSendingJob::TSendingJob(TSendingJobView& view, const std::string& channel,
                         const TModuleState& module)
    : view_(view),
      exchange_(std::make_unique<TExChangeObject>(channel, DataHandler(*this),
                                                  ResponseHandler(*this), module)) {}

TSendingJob::TSendingJob(TSendingJobView& view, const std::string& channel,
                         const TModuleState& module, TTimerManager& timers)
    : view_(view),
      exchange_(std::make_unique<TExChangeObject>(channel, DataHandler(*this),
                                                  ResponseHandler(*this), module, timers)) {}

TSendingJob::~TSendingJob() = default;

template <typename Action>
void TSendingJob::ShowingErrors(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void TSendingJob::Execute() {
    ShowingErrors([this] { ExecuteSelection(); });
}

void TSendingJob::CallOff() {
    ShowingErrors([this] { SendCallOff(); });
}

void TSendingJob::CloseBox() {
    if (!executed_) {
        CallOff();
    }
}

void TSendingJob::CancelSending() {
    ShowingErrors([this] { exchange_->SendCancel(); });
}

void TSendingJob::OpenSetupScript() {
    if (!dbPath_.empty()) {
        ShowingErrors([this] { ShowSetupScript(dbPath_); });
    }
}

void TSendingJob::HandleCopyData(platform::TMessage& message) {
    exchange_->HandleCopyData(message);
}

void TSendingJob::ExecuteSelection() {
    executed_ = true;
    TQvJSON message;
    message.SetTextMember("AddAttachments", LinesWithCrLf(view_.ChosenAttachments()));
    exchange_->SendResult(message);
}

void TSendingJob::SendCallOff() {
    TQvJSON message;
    message.SetBoolMember("CallServerExeNameOff", true);
    exchange_->SendResult(message);
}

void TSendingJob::HandleDataMessage(TExChangeObject&, TQvCustomJSON& document) {
    dbPath_ = JsonReadText(&document, "DBPath");
    std::string jsonFileName = JsonReadText(&document, "JSONFileName");
    if (RunSetupScript(dbPath_, jsonFileName)) {
        SendCallOff();
        return;
    }
    if (!view_.IsShown()) {
        view_.ShowWindow();
    }
    view_.ShowHeader(
        HeaderMarkup(JsonReadText(&document, "InfoCaption"), JsonReadText(&document, "DBPath")));
    std::vector<std::string> attachments = PdfAttachments(JsonReadText(&document, "Attachments"));
    view_.ShowAttachments(attachments);
    if (attachments.empty()) {
        SendCallOff();
        view_.BringToForeground();
        return;
    }
    view_.SelectAllAttachments();
    view_.BringToForeground();
    view_.RestoreAndFocusWindow();
}

void TSendingJob::HandleResponseMessage(TExChangeObject& exchange, TQvCustomJSON& document) {
    auto response = TQvJSONText::ParseJsonText(JsonReadText(&document, "Response"));
    std::string target = JsonReadText(&document, "PDFFileName");
    // The host waits for a final answer whatever happens here; without one the sending hangs.
    if (!response) {
        exchange.SendCancel();
        return;
    }
    std::vector<std::string> files = SplitLines(JsonReadText(response.get(), "AddAttachments"));
    response.reset();
    if (files.empty()) {
        exchange.SendCancel();
        return;
    }
    std::vector<std::string> joined;
    try {
        joined = MergeAttachments(target, files);
    } catch (const std::exception&) {
        // A target that cannot be opened: nothing was joined into it.
        exchange.SendCancel();
        return;
    }
    TQvJSON message;
    message.SetTextMember("RemoveAttachments", LinesWithCrLf(joined));
    exchange.SendResult(message);
}

std::vector<std::string> TSendingJob::MergeAttachments(const std::string& target,
                                                       const std::vector<std::string>& files) {
    TFoldant job(TFoldant::BuildJobText(files));
    // Attachments from one system carry the same fonts and logos; the e-mail carries them once.
    job.Compact = true;
    job.MergeAll("", target);
    std::vector<std::string> joined;
    for (int index = 0; index < job.ItemList->ChildCount(); ++index) {
        TQvCustomJSON* item = job.ItemList->ChildAt(index);
        if (JsonReadBool(item, "Merged.Success")) {
            joined.push_back(JsonReadText(item, "PDFFileName"));
        }
    }
    return joined;
}

}  // namespace foldant
