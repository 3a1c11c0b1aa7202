#pragma once

// The host's side of one conversation with the module: it creates the channel block, starts the
// module on it, writes one message, prints every message the module writes, and ends when the
// module has given its final word and ended (or after a time-out).

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace foldant {

class TQvCustomJSON;

struct THostOptions {
    std::string modulePath;
    // Passed as arguments 2 and 3 when not empty.
    std::string pointX;
    std::string pointY;
    // The module sends a keep-alive every minute, so a longer silence means it has hung.
    int silenceTimeoutMs = 90'000;
    // How long the module may take to end after its final message before it is killed.
    int exitTimeoutMs = 15'000;
};

using TMessageMembers = std::vector<std::pair<std::string, std::string>>;

class THostConversation {
  public:
    // prefix is "varnel-" or "spooler-"; the rest of the channel name is made up here.
    THostConversation(const THostOptions& options, std::string prefix, std::ostream& out);

    // Sends the message (text members, after the host's "UID") and answers the module's final
    // message. Raises std::runtime_error when the module stays silent too long or ends without
    // a final message.
    std::unique_ptr<TQvCustomJSON> Run(const TMessageMembers& members);

  private:
    const THostOptions& options_;
    std::string prefix_;
    std::ostream& out_;
};

// The lines of a text, without their line ends; empty lines are left out.
std::vector<std::string> SplitLines(const std::string& text);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace foldant
