#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/foldant-host/host_conversation.h"

namespace foldant {

struct TSendingJob {
    std::string dbPath;
    std::string orderFile;
    std::string caption;
    std::string target;
    std::vector<std::string> attachments;
};

// Exit codes of the host's commands.
enum THostExit { kHostDone = 0, kHostFailed = 1, kHostCancelled = 2 };

// The response conversation: the module joins the copies into the target.
int RunRespond(const THostOptions& options, const std::string& target,
               const std::vector<std::string>& copies, std::ostream& out);

// A whole sending job: the data conversation, working copies of the chosen files, and the
// response conversation into the target.
int RunSend(const THostOptions& options, const TSendingJob& job, std::ostream& out);

}  // namespace foldant
