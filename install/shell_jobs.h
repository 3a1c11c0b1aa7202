#pragma once

// Jobs for the worker pool that start a program or let the system open a document or address.

#include <string>

#include "install/worker_pool.h"

namespace foldant {

// Removes one pair of enclosing double quotes from a text longer than two characters.
std::string Unquote(const std::string& text);

class TShellThreadJob : public TWorkerThreadJob {
  public:
    // An empty program path makes a shell job: the verb is performed on the parameter text.
    TShellThreadJob(std::string programPath, std::string parameters, std::string verb);

    // Failures are not reported: nobody waits for the outcome.
    void Execute() override;

    // The command line a program start uses: the program path as it is, a blank, and the
    // parameter text without its enclosing quotes, wrapped in a new pair.
    std::string CommandLine() const;
    // What a shell job hands to the system: the parameter text in exactly one pair of quotes.
    std::string ShellTarget() const;

    const std::string& ProgramPath() const { return programPath_; }
    const std::string& Parameters() const { return parameters_; }
    const std::string& Verb() const { return verb_; }

  private:
    std::string programPath_;
    std::string parameters_;
    std::string verb_;
};

// Queues the start of a program on the process's pool; a symbolic link is replaced by its
// target first. Does nothing when there is no pool.
void RunProgram(const std::string& programPath, const std::string& parameters);
// Queues a shell verb on a document or address (given with or without enclosing quotes).
// Does nothing when there is no pool.
void OpenDocument(const std::string& verb, const std::string& target);

}  // namespace foldant
