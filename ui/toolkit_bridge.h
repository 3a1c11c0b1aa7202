#pragma once

// Joins the platform layer to the window toolkit: the platform's message loop runs inside the
// toolkit's loop, its waits keep the windows painted, and its message boxes and clipboard
// become the toolkit's.

#include <QString>
#include <memory>

class QSocketNotifier;

namespace foldant {

// Without a display (neither DISPLAY nor WAYLAND_DISPLAY), or with one that cannot be reached,
// the toolkit draws off screen, so the module still runs its conversations. Call before the
// application object exists; a platform chosen by QT_QPA_PLATFORM is kept.
void ChooseToolkitPlatform();

// Whether windows appear on a screen (false for the off-screen platform).
bool ToolkitHasScreen();

// Lives as long as the application object; undoes its installations when destroyed.
class TToolkitBridge {
  public:
    // title: the caption of message boxes that name none.
    explicit TToolkitBridge(const QString& title);
    ~TToolkitBridge();
    TToolkitBridge(const TToolkitBridge&) = delete;
    TToolkitBridge& operator=(const TToolkitBridge&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Shows an error the way the application shows every error that reaches it.
void ShowApplicationError(const std::string& text);

}  // namespace foldant
