#include <QApplication>

#include "app/window_toolkit.h"
#include "platform/windows1252.h"
#include "ui/toolkit_bridge.h"

namespace foldant {

namespace {

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

// The toolkit reads its platform from the environment when the application object is made.
int& WithPlatformChosen(int& argumentCount) {
    ChooseToolkitPlatform();
    return argumentCount;
}

class TQtToolkit : public TWindowToolkit {
  public:
    TQtToolkit(const std::string& title, std::string programName)
        : programName_(std::move(programName)),
          arguments_{programName_.data(), nullptr},
          application_(WithPlatformChosen(argumentCount_), arguments_),
          bridge_(FromAnsi(title)) {
        QApplication::setApplicationName(FromAnsi(title));
        // The main window starts hidden, and closing it is what ends the loop.
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setApplicationDisplayName(FromAnsi(title));
    }

    void Run() override { QApplication::exec(); }

  private:
    std::string programName_;
    int argumentCount_ = 1;
    char* arguments_[2];
    QApplication application_;
    TToolkitBridge bridge_;
};

}  // namespace

std::unique_ptr<TWindowToolkit> StartWindowToolkit(const std::string& title,
                                                   const std::string& programName) {
    return std::make_unique<TQtToolkit>(title, programName);
}

}  // namespace foldant
