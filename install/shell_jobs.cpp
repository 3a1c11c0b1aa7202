#include "install/shell_jobs.h"

#include <memory>

#include "platform/process.h"

namespace foldant {

std::string Unquote(const std::string& text) {
    if (text.size() > 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

TShellThreadJob::TShellThreadJob(std::string programPath, std::string parameters, std::string verb)
    : programPath_(std::move(programPath)),
      parameters_(std::move(parameters)),
      verb_(std::move(verb)) {}

std::string TShellThreadJob::CommandLine() const {
    return programPath_ + " \"" + Unquote(parameters_) + "\"";
}

std::string TShellThreadJob::ShellTarget() const {
    return "\"" + Unquote(parameters_) + "\"";
}

void TShellThreadJob::Execute() {
    if (programPath_.empty()) {
        platform::ShellExecute(verb_, ShellTarget());
    } else {
        platform::StartProcess(CommandLine());
    }
}

void RunProgram(const std::string& programPath, const std::string& parameters) {
    TWorkerThreadPool* pool = WorkerPool();
    if (pool == nullptr) {
        return;
    }
    std::string path = platform::ShellLinkTarget(programPath).value_or(programPath);
    pool->AddJob(std::make_unique<TShellThreadJob>(path, parameters, std::string()));
}

void OpenDocument(const std::string& verb, const std::string& target) {
    TWorkerThreadPool* pool = WorkerPool();
    if (pool == nullptr) {
        return;
    }
    pool->AddJob(std::make_unique<TShellThreadJob>(std::string(), Unquote(target), verb));
}

}  // namespace foldant
