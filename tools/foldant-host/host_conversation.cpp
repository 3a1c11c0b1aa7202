#include "tools/foldant-host/host_conversation.h"

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "exchange/channel_block.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/child_process.h"
#include "platform/guid.h"
#include "platform/shared_memory.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// Removes the block when the conversation is over, whatever the way out.
class TBlockOwner {
  public:
    explicit TBlockOwner(std::string name) : name_(std::move(name)) {
        platform::CreateSharedMemoryBlock(name_, kChannelBlockSize);
    }
    ~TBlockOwner() { platform::RemoveSharedMemoryBlock(name_); }
    TBlockOwner(const TBlockOwner&) = delete;
    TBlockOwner& operator=(const TBlockOwner&) = delete;

  private:
    std::string name_;
};

bool IsFinal(TQvCustomJSON* message) {
    return JsonFindNode(message, "Infinite") != nullptr && !JsonReadBool(message, "Infinite");
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
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

THostConversation::THostConversation(const THostOptions& options, std::string prefix,
                                     std::ostream& out)
    : options_(options), prefix_(std::move(prefix)), out_(out) {}

std::unique_ptr<TQvCustomJSON> THostConversation::Run(const TMessageMembers& members) {
    std::string hostUid = platform::NewGuidText();
    std::string channel = prefix_ + platform::NewGuidText();
    TQvJSON message;
    message.SetTextMember("UID", hostUid);
    for (const auto& [name, value] : members) {
        message.SetTextMember(name, value);
    }
    std::string text = TQvJSONText::PrintCompact(message);
    if (text.size() > kMaxChannelText) {
        throw std::runtime_error("the message is longer than the channel block can hold");
    }

    TBlockOwner block(channel);
    std::vector<std::string> arguments{channel};
    if (!options_.pointX.empty() || !options_.pointY.empty()) {
        arguments.push_back(options_.pointX);
        arguments.push_back(options_.pointY);
    }
    auto module = platform::ChildProcess::Start(options_.modulePath, arguments);
    out_ << "host: started " << AnsiToUtf8(options_.modulePath) << " on channel "
         << AnsiToUtf8(channel) << '\n';
    WriteChannelText(channel, text);
    out_ << "host -> " << AnsiToUtf8(text) << '\n' << std::flush;

    std::unique_ptr<TQvCustomJSON> answer;
    std::string lastText = text;
    auto lastHeard = std::chrono::steady_clock::now();
    bool ended = false;
    while (!answer) {
        std::string current;
        if (ReadMMF(channel, current) && current != lastText) {
            auto parsed = TQvJSONText::ParseJsonText(current);
            // A text caught half-written does not parse; the next poll reads it whole.
            if (parsed) {
                lastText = current;
                if (JsonReadText(parsed.get(), "UID") != hostUid) {
                    lastHeard = std::chrono::steady_clock::now();
                    out_ << "module <- " << AnsiToUtf8(current) << '\n' << std::flush;
                    if (IsFinal(parsed.get())) {
                        answer = std::move(parsed);
                    }
                }
            }
        }
        if (answer) {
            break;
        }
        if (ended) {
            throw std::runtime_error("the module ended without a final message");
        }
        // One more read after the module has ended picks up a message written just before.
        ended = module->WaitFor(0).has_value();
        if (std::chrono::steady_clock::now() - lastHeard >
            std::chrono::milliseconds(options_.silenceTimeoutMs)) {
            throw std::runtime_error("no message from the module for " +
                                     std::to_string(options_.silenceTimeoutMs / 1000) + " s");
        }
        if (!ended) {
            std::this_thread::sleep_for(kPollInterval);
        }
    }
    auto exitCode = module->WaitFor(options_.exitTimeoutMs);
    if (exitCode) {
        out_ << "host: the module ended with exit code " << *exitCode << '\n';
    } else {
        out_ << "host: the module did not end after its final message; stopping it\n";
        module->Kill();
    }
    return answer;
}

}  // namespace foldant
