#pragma once

// The module's main window on Windows, built with Win32 itself: a view of the sending job, which
// owns the conversation with the host. Its window class is TAttachmentsFrm, which later starts
// of the module look for to hand their channel over by WM_COPYDATA. The list, the button and
// the size grip are child windows; the panels, the header, the line, the icon and the link are
// painted by the window itself at the places of the shared layout.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/attachments_layout.h"
#include "app/module_shell.h"
#include "app/sending_job.h"
#include "ui/html_subset.h"

struct HWND__;

namespace foldant {

// Windows key codes the window reacts to.
inline constexpr int kKeyReturn = 13;
inline constexpr int kKeyEscape = 27;
// The system command of the close box.
inline constexpr unsigned kScClose = 0xF060;

class TAttachmentsFrm : public TModuleWindow, private TSendingJobView {
  public:
    // Created hidden; raises std::runtime_error when the window cannot be made, and what the
    // sending job raises.
    TAttachmentsFrm();
    ~TAttachmentsFrm() override;
    TAttachmentsFrm(const TAttachmentsFrm&) = delete;
    TAttachmentsFrm& operator=(const TAttachmentsFrm&) = delete;

    int Width() const override;
    int Height() const override;
    void MoveTo(int left, int top) override;
    platform::WindowHandle Handle() const override { return handle_; }

    void HandleKey(int key);
    void HandleSysCommand(unsigned command);
    static void ForceForeground(HWND__* window);
    static void RestoreAndFocus(HWND__* applicationWindow, HWND__* focusWindow);

    // The system's window procedures hand their messages to these.
    std::intptr_t FormMessage(HWND__* window, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam);
    std::intptr_t ControlMessage(HWND__* control, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam);

  private:
    struct TResources;

    void CreateControls();
    void ArrangeControls();
    void FormCreate();
    void FormShow();
    void FormKeyDown(int key);
    void LBKeyDown(int key);
    void FOKSelectNext(int key);
    void FOKClick();
    void HTMLabel1AnchorClick();
    void Image1Click();
    int LBMeasureItem();
    void LBDrawItem(const void* drawItem);
    void FOKDrawItem(const void* drawItem);
    void FormPaint();
    void WindowHandler(platform::TMessage& message);
    TAttachmentsLayout Layout() const;
    bool OverLink(int x, int y) const;
    bool OverImage(int x, int y) const;

    bool IsShown() const override;
    void ShowWindow() override;
    void ShowHeader(const std::string& markup) override;
    void ShowAttachments(const std::vector<std::string>& paths) override;
    void SelectAllAttachments() override;
    std::vector<std::string> ChosenAttachments() const override;
    void BringToForeground() override;
    void RestoreAndFocusWindow() override;
    void ShowError(const std::string& text) override;

    HWND__* window_ = nullptr;
    HWND__* FOK = nullptr;
    HWND__* LB = nullptr;
    HWND__* SizeGrip = nullptr;
    HWND__* Hint = nullptr;
    HWND__* lastFocus_ = nullptr;
    std::intptr_t buttonProcedure_ = 0;
    std::intptr_t listProcedure_ = 0;
    std::unique_ptr<TResources> resources_;
    std::vector<THtmlSpan> HL;
    std::vector<THtmlSpan> HTMLabel1;
    // HTMLabel1 is as large as its text.
    int linkWidth_ = 0;
    int linkHeight_ = 0;
    int itemHeight_ = 0;
    // The list's items as the host named them.
    std::vector<std::string> paths_;

    platform::WindowHandle handle_ = 0;
    std::unique_ptr<TSendingJob> job_;
};

}  // namespace foldant
