#include "tools/foldant-pdf/join_command.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>

#include "json/json_text.h"
#include "merge/foldant.h"
#include "pdf/buffered_read_stream.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_system.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

constexpr int kAllJoined = 0;
constexpr int kSomeNotJoined = 1;
constexpr int kFailed = 2;

struct JoinRequest {
    std::string output;
    std::vector<std::string> inputs;
    std::string permissions;
    std::optional<std::string> log;
    bool compact = false;
};

std::optional<JoinRequest> ParseArguments(const std::vector<std::string>& arguments) {
    JoinRequest request;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "-o" && hasValue) {
            request.output = arguments[++i];
        } else if (argument == "--permissions" && hasValue) {
            request.permissions = arguments[++i];
        } else if (argument == "--log" && hasValue) {
            request.log = arguments[++i];
        } else if (argument == "--compact") {
            request.compact = true;
        } else if (argument.empty() || argument[0] == '-') {
            return std::nullopt;
        } else {
            request.inputs.push_back(argument);
        }
    }
    if (request.output.empty() || request.inputs.empty()) {
        return std::nullopt;
    }
    return request;
}

// The file helpers want a folder part in every path they create a file at.
std::string WithFolderPart(const std::string& path) {
    return path.find_first_of(platform::kPathDelimiters) == std::string::npos ? "./" + path : path;
}

// File names of the merge job are Windows-1252 text; the command line is UTF-8.
std::string JobText(const JoinRequest& request) {
    std::vector<std::string> items;
    for (size_t i = 1; i < request.inputs.size(); ++i) {
        items.push_back(Utf8ToAnsi(request.inputs[i]));
    }
    std::string text = TFoldant::BuildJobText(items);
    if (!request.log && !request.compact) {
        return text;
    }
    std::unique_ptr<TQvCustomJSON> job = TQvJSONText::ParseJsonText(text);
    if (request.log) {
        job->SetTextMember("LogFileName", WithFolderPart(Utf8ToAnsi(*request.log)));
    }
    if (request.compact) {
        job->SetBoolMember("Compact", true);
    }
    return TQvJSONText::PrintCompact(*job);
}

const char* Reason(TFoldant::ItemOutcome outcome) {
    switch (outcome) {
        case TFoldant::ItemOutcome::Encrypted:
            return "encrypted";
        case TFoldant::ItemOutcome::NotPdf:
            return "not a PDF or too damaged to read";
        case TFoldant::ItemOutcome::NotOpened:
            return "cannot be opened";
        case TFoldant::ItemOutcome::NotWritten:
            return "the joined file could not be written";
        default:
            return "not run";
    }
}

// The job appends to a copy of the first input; a first input that is no PDF would be copied to
// OUT as it is, and the others reported as joined into it. One that cannot be opened at all is
// left to the copy, which reports it as a file error.
bool OpensButIsNoPdf(const std::string& utf8Path) {
    std::unique_ptr<TWideFileStream> file;
    try {
        file = std::make_unique<TWideFileStream>(Utf8ToUtf16(utf8Path), TWideFileStream::kModeRead);
    } catch (const std::exception&) {
        return false;
    }
    try {
        TBufferedReadStream input(*file);
        return TSmartPDFReader(input).FailureCode != TSmartPDFReader::kOpened;
    } catch (const std::exception&) {
        return true;
    }
}

int ReportItems(const JoinRequest& request, const TFoldant& job) {
    int status = kAllJoined;
    for (int i = 0; i < job.ItemCount(); ++i) {
        const std::string& input = request.inputs[static_cast<size_t>(i) + 1];
        const TFoldant::ItemOutcome outcome = job.Outcomes()[static_cast<size_t>(i)];
        if (outcome == TFoldant::ItemOutcome::Joined) {
            std::printf("joined %s\n", input.c_str());
        } else {
            std::printf("not joined %s: %s\n", input.c_str(), Reason(outcome));
            status = kSomeNotJoined;
        }
    }
    return status;
}

// The job reads the first input and writes its result to a work file beside OUT, which
// replaces OUT once, so OUT is never seen half written and the result goes to the disk once.
// When OUT is the first input, the job extends it in place.
int RunJob(const JoinRequest& request) {
    const std::string output = WithFolderPart(Utf8ToAnsi(request.output));
    const std::string first = Utf8ToAnsi(request.inputs[0]);
    for (size_t i = 1; i < request.inputs.size(); ++i) {
        if (platform::SameFile(output, Utf8ToAnsi(request.inputs[i]))) {
            std::fprintf(stderr, "foldant-pdf join: %s is also an input\n", request.output.c_str());
            return kFailed;
        }
    }
    if (OpensButIsNoPdf(request.inputs[0])) {
        std::fprintf(stderr, "foldant-pdf join: %s is not a PDF or cannot be read\n",
                     request.inputs[0].c_str());
        return kSomeNotJoined;
    }
    TFoldant job(JobText(request));
    if (platform::SameFile(output, first)) {
        job.MergeAll(request.permissions, output);
    } else {
        job.MergeAll(request.permissions, first, output);
    }
    const int status = ReportItems(request, job);
    if (!job.WroteOutput()) {
        throw std::runtime_error("cannot write " + request.output);
    }
    return status;
}

}  // namespace

int RunJoin(const std::vector<std::string>& arguments) {
    const std::optional<JoinRequest> request = ParseArguments(arguments);
    if (!request) {
        std::fprintf(stderr, "usage: foldant-pdf %s\n", kJoinUsage);
        return kFailed;
    }
    int status = kFailed;
    try {
        status = RunJob(*request);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "foldant-pdf join: %s\n", error.what());
        status = kFailed;
    }
    std::fflush(stdout);
    return status;
}

}  // namespace foldant
