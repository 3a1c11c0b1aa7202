#include "ui/toolkit_bridge.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/clipboard.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

// Waits in a loop of its own that leaves user input and the platform's messages queued, as the
// platform's own wait hands out only paint messages.
void WaitPainting(int milliseconds) {
    if (platform::QuitRequested()) {
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

QString gTitle;
QtMessageHandler gToolkitMessages = nullptr;

// The toolkit complains about a missing runtime folder, which this module never uses; every
// other message of the toolkit goes out as before.
void FilterToolkitMessages(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: ")) &&
        message.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
        return;
    }
    if (gToolkitMessages) {
        gToolkitMessages(type, context, message);
    }
}

}  // namespace

void ChooseToolkitPlatform() {
    if (!gToolkitMessages) {
        gToolkitMessages = qInstallMessageHandler(FilterToolkitMessages);
    }
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    // A display that cannot be reached must not end the module before it has answered its
    // host: the toolkit falls back to drawing off screen.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
    } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

bool ToolkitHasScreen() {
    return QGuiApplication::platformName() != QLatin1String("offscreen") &&
           QGuiApplication::platformName() != QLatin1String("minimal");
}

void ShowApplicationError(const std::string& text) {
    platform::ShowMessageBox({}, text);
}

TToolkitBridge::TToolkitBridge(const QString& title) {
    gTitle = title;
    notifier_ =
        std::make_unique<QSocketNotifier>(platform::WakeupDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [] { platform::DispatchPendingMessages(); });
    platform::SetPumpWaitHandler(WaitPainting);
    platform::SetMessageErrorHandler(
        [](const std::exception& error) { ShowApplicationError(error.what()); });
    if (ToolkitHasScreen()) {
        platform::SetMessageBoxHandler([](const std::string& caption, const std::string& text) {
            QMessageBox box(QMessageBox::Information, caption.empty() ? gTitle : FromAnsi(caption),
                            FromAnsi(text), QMessageBox::Ok);
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
            box.exec();
        });
        platform::SetClipboardHandler(
            [](const std::string& text) { QGuiApplication::clipboard()->setText(FromAnsi(text)); });
    }
}

TToolkitBridge::~TToolkitBridge() {
    platform::SetClipboardHandler({});
    platform::SetMessageBoxHandler({});
    platform::SetMessageErrorHandler({});
    platform::SetPumpWaitHandler({});
    notifier_.reset();
}

}  // namespace foldant
