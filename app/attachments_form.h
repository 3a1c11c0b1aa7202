#pragma once

// The module's main window on Linux: a view of the sending job, which owns the conversation with
// the host. The window lists the PDF attachments for the user to choose from and reports the
// button, Enter, Escape, the close box, the link and the icon to the job.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/module_shell.h"
#include "app/sending_job.h"

class QLabel;
class QKeyEvent;

namespace foldant {

class TFlatButton;
class THTMLabel;
class TOwnerDrawList;
class TSizeGrip;
class THandOverListener;

// Windows key codes the window reacts to.
inline constexpr int kKeyReturn = 13;
inline constexpr int kKeyEscape = 27;
// The system command of the close box.
inline constexpr unsigned kScClose = 0xF060;

class TAttachmentsFrm : public QWidget, public TModuleWindow, private TSendingJobView {
  public:
    TAttachmentsFrm();
    ~TAttachmentsFrm() override;

    int Width() const override { return width(); }
    int Height() const override { return height(); }
    void MoveTo(int left, int top) override { move(left, top); }
    platform::WindowHandle Handle() const override { return handle_; }

    void HandleKey(int key);
    void HandleSysCommand(unsigned command);
    static void ForceForeground(QWidget& window);
    static void RestoreAndFocus(QWidget& applicationWindow, QWidget* focusWindow);

    // The items of the list, as the host named them.
    std::vector<std::string> ListedFiles() const;
    const TSendingJob& Job() const { return *job_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls();
    void ArrangeControls();
    void FormCreate();
    void FormShow();
    void FormKeyDown(QKeyEvent& event);
    void LBKeyDown(QKeyEvent& event);
    void FOKClick();
    void HTMLabel1AnchorClick();
    void Image1Click();
    int LBMeasureItem();
    void LBDrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void WindowHandler(platform::TMessage& message);

    bool IsShown() const override;
    void ShowWindow() override;
    void ShowHeader(const std::string& markup) override;
    void ShowAttachments(const std::vector<std::string>& paths) override;
    void SelectAllAttachments() override;
    std::vector<std::string> ChosenAttachments() const override;
    void BringToForeground() override;
    void RestoreAndFocusWindow() override;
    void ShowError(const std::string& text) override;

    QWidget* Panel2 = nullptr;
    THTMLabel* HTMLabel1 = nullptr;
    QWidget* Panel5 = nullptr;
    TFlatButton* FOK = nullptr;
    TSizeGrip* SizeGrip = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel4 = nullptr;
    QLabel* Image1 = nullptr;
    THTMLabel* HL = nullptr;
    QWidget* Bevel5 = nullptr;
    TOwnerDrawList* LB = nullptr;

    platform::WindowHandle handle_ = 0;
    std::unique_ptr<TSendingJob> job_;
    std::unique_ptr<THandOverListener> handOver_;
};

}  // namespace foldant
