// A stand-in for the module: it answers the host over the exchange object without any window.
// Data messages are answered with the PDF attachments (or the call-off when there are none),
// responses with the copies that exist as files (or a cancel when the list is empty).
// The environment variable FOLDANT_TEST_MODULE_DELAY_MS delays each answer, so that keep-alives
// can be watched.

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exchange_object.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/message_loop.h"
#include "platform/windows1252.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

bool IsPdfName(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return tail == ".pdf";
}

class TStandInShell : public TModuleState {
  public:
    explicit TStandInShell(bool debugRun) : debugRun_(debugRun) {}
    platform::WindowHandle MainWindowHandle() const override { return window_; }
    bool IsDebugRun() const override { return debugRun_; }
    void SetWindow(platform::WindowHandle window) { window_ = window; }

  private:
    platform::WindowHandle window_ = 0;
    bool debugRun_;
};

void DelayAnswer() {
    const char* delay = std::getenv("FOLDANT_TEST_MODULE_DELAY_MS");
    if (delay) {
        platform::DispatchMessagesUntil([] { return false; }, std::atoi(delay));
    }
}

void AnswerData(TExChangeObject& exchange, TQvCustomJSON& document) {
    DelayAnswer();
    std::vector<std::string> chosen;
    for (const auto& path : Lines(JsonReadText(&document, "Attachments"))) {
        if (IsPdfName(path)) {
            chosen.push_back(path);
        }
    }
    TQvJSON answer;
    if (chosen.empty()) {
        answer.SetBoolMember("CallServerExeNameOff", true);
    } else {
        answer.SetTextMember("AddAttachments", JoinLines(chosen));
    }
    exchange.SendResult(answer);
}

void AnswerResponse(TExChangeObject& exchange, TQvCustomJSON& document) {
    DelayAnswer();
    auto response = TQvJSONText::ParseJsonText(JsonReadText(&document, "Response"));
    if (!response) {
        return;
    }
    std::vector<std::string> copies = Lines(JsonReadText(response.get(), "AddAttachments"));
    if (copies.empty()) {
        exchange.SendCancel();
        return;
    }
    std::vector<std::string> joined;
    for (const auto& copy : copies) {
        if (PathIsFile(copy)) {
            joined.push_back(copy);
        }
    }
    TQvJSON answer;
    answer.SetTextMember("RemoveAttachments", JoinLines(joined));
    exchange.SendResult(answer);
}

int Run(const std::string& channel) {
    std::string upper = channel;
    for (char& c : upper) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    TStandInShell shell(upper == "DEBUG");
    std::unique_ptr<TExChangeObject> exchange;
    platform::WindowHandle window =
        platform::AllocateHiddenWindow([&](platform::TMessage& message) {
            if (message.Msg == platform::kCloseMessage) {
                platform::PostQuitMessage(0);
            } else if (message.Msg == platform::kCopyDataMessage && exchange) {
                exchange->HandleCopyData(message);
            }
        });
    exchange = std::make_unique<TExChangeObject>(channel, AnswerData, AnswerResponse, shell);
    shell.SetWindow(window);
    int exitCode = platform::RunMessageLoop();
    shell.SetWindow(0);
    exchange.reset();
    platform::DeallocateHiddenWindow(window);
    return exitCode;
}

}  // namespace
}  // namespace foldant

int main(int argc, char** argv) {
    return foldant::Run(argc > 1 ? foldant::Utf8ToAnsi(argv[1]) : "");
}
