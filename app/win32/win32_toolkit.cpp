#include <exception>

#include "app/window_toolkit.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"

namespace foldant {

namespace {

// Win32 needs no application object: the windows live on the platform's message loop, which
// hands out their messages along with its own.
class TWin32Toolkit : public TWindowToolkit {
  public:
    explicit TWin32Toolkit(std::string title) : title_(std::move(title)) {
        previousBox_ = platform::SetMessageBoxHandler(
            [this](const std::string& caption, const std::string& text) {
                platform::ShowDefaultMessageBox(caption.empty() ? title_ : caption, text);
            });
        platform::SetMessageErrorHandler(
            [](const std::exception& error) { platform::ShowMessageBox({}, error.what()); });
    }
    ~TWin32Toolkit() override {
        platform::SetMessageErrorHandler({});
        platform::SetMessageBoxHandler(std::move(previousBox_));
    }
    TWin32Toolkit(const TWin32Toolkit&) = delete;
    TWin32Toolkit& operator=(const TWin32Toolkit&) = delete;

    void Run() override { platform::RunMessageLoop(); }

  private:
    std::string title_;
    platform::MessageBoxHandler previousBox_;
};

}  // namespace

std::unique_ptr<TWindowToolkit> StartWindowToolkit(const std::string& title, const std::string&) {
    return std::make_unique<TWin32Toolkit>(title);
}

}  // namespace foldant
