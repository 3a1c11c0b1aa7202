#pragma once

// One sending job as the module sees it: the conversation with the host on the channel of the
// command line, the setup script that decides whether the user is asked at all, the user's
// choice, and the join of the chosen files. It knows no window toolkit; a window shows what it is
// told through TSendingJobView and reports what the user does.

#include <memory>
#include <string>
#include <vector>

#include "exchange/module_state.h"
#include "platform/message_loop.h"

namespace foldant {

class TExChangeObject;
class TQvCustomJSON;
class TQvJSON;
class TTimerManager;

// What the sending job needs of its window. Texts and paths are Windows-1252.
class TSendingJobView {
  public:
    virtual ~TSendingJobView() = default;
    virtual bool IsShown() const = 0;
    // Shows the hidden window; on its first showing it selects every listed item and takes the
    // focus.
    virtual void ShowWindow() = 0;
    // The header line, in the label's small HTML subset.
    virtual void ShowHeader(const std::string& markup) = 0;
    // Empties the list and fills it with the paths, in order; whether the list is visible stays.
    virtual void ShowAttachments(const std::vector<std::string>& paths) = 0;
    // Selects every item and makes the list visible.
    virtual void SelectAllAttachments() = 0;
    // The selected items, in list order.
    virtual std::vector<std::string> ChosenAttachments() const = 0;
    virtual void BringToForeground() = 0;
    // Restores a minimised window, brings it to the front and gives it the keyboard focus.
    virtual void RestoreAndFocusWindow() = 0;
    virtual void ShowError(const std::string& text) = 0;
};

class TSendingJob {
  public:
    // Opens the exchange on the channel; raises what the exchange raises.
    TSendingJob(TSendingJobView& view, const std::string& channel, const TModuleState& module);
    TSendingJob(TSendingJobView& view, const std::string& channel, const TModuleState& module,
                TTimerManager& timers);
    // Sends the cancel the host is owed when no final word went out.
    ~TSendingJob();
    TSendingJob(const TSendingJob&) = delete;
    TSendingJob& operator=(const TSendingJob&) = delete;

    // What the user does. Errors of sending reach the view's error display; the window stays.
    // The button or Enter: the chosen files go to the host.
    void Execute();
    // Escape: the host is asked not to call the module for this sending.
    void CallOff();
    // The close box: a call-off, unless the chosen files went out already.
    void CloseBox();
    // The link: the whole sending process is cancelled.
    void CancelSending();
    // The icon: the setup script shown in its folder, once a job named the database.
    void OpenSetupScript();

    // For every kCopyDataMessage of the main window: a later start hands its channel over.
    void HandleCopyData(platform::TMessage& message);

    void HandleDataMessage(TExChangeObject& exchange, TQvCustomJSON& document);
    void HandleResponseMessage(TExChangeObject& exchange, TQvCustomJSON& document);
    // Joins the files into the target, one after the other; answers the files that were joined.
    static std::vector<std::string> MergeAttachments(const std::string& target,
                                                     const std::vector<std::string>& files);

    bool Executed() const { return executed_; }
    const std::string& DBPath() const { return dbPath_; }
    const TExChangeObject& Exchange() const { return *exchange_; }

  private:
    void ExecuteSelection();
    void SendCallOff();
    template <typename Action>
    void ShowingErrors(Action&& action);

    TSendingJobView& view_;
    std::string dbPath_;
    bool executed_ = false;
    std::unique_ptr<TExChangeObject> exchange_;
};

}  // namespace foldant
