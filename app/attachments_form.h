#pragma once

// The module's main window: it owns the exchange channel, lists the PDF attachments of a data
// message for the user to choose from, and joins the files of a response message.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/module_shell.h"

class QLabel;
class QKeyEvent;

namespace foldant {

class TExChangeObject;
class TQvCustomJSON;
class TQvJSON;
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

class TAttachmentsFrm : public QWidget, public TModuleWindow {
  public:
    TAttachmentsFrm();
    ~TAttachmentsFrm() override;

    QWidget& Widget() override { return *this; }
    platform::WindowHandle Handle() const override { return handle_; }

    void HandleKey(int key);
    void ExecuteSelection();
    void SendCallOff();
    void HandleSysCommand(unsigned command);
    void HandleDataMessage(TExChangeObject& exchange, TQvCustomJSON& document);
    void HandleResponseMessage(TExChangeObject& exchange, TQvCustomJSON& document);
    std::vector<std::string> MergeAttachments(const std::string& target,
                                              const std::vector<std::string>& files);
    static void ForceForeground(QWidget& window);
    static void RestoreAndFocus(QWidget& applicationWindow, QWidget* focusWindow);

    // The items of the list, as the host named them.
    std::vector<std::string> ListedFiles() const;
    bool Executed() const { return executed_; }
    const std::string& DBPath() const { return dbPath_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls();
    void ArrangeControls();
    void FormCreate();
    void CreateExchange();
    void FormShow();
    void FormKeyDown(QKeyEvent& event);
    void LBKeyDown(QKeyEvent& event);
    void FOKClick();
    void HTMLabel1AnchorClick();
    void Image1Click();
    int LBMeasureItem();
    void LBDrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void WindowHandler(platform::TMessage& message);
    void SendAndShowErrors(TQvJSON& message);

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

    std::string dbPath_;
    bool executed_ = false;
    platform::WindowHandle handle_ = 0;
    std::unique_ptr<TExChangeObject> exchange_;
    std::unique_ptr<THandOverListener> handOver_;
};

// The main window class the entry hands to the shell.
TMainWindowClass AttachmentsWindowClass();

}  // namespace foldant
