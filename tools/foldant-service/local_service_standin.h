#pragma once

// A stand-in for the suite's local service, for running install mode without the suite. It
// writes the service name file into the module's temporary folder, listens on that pipe, answers
// "DBPATH" with the database folder it was given and every other command with an empty "DATA",
// and logs each request.

#include <atomic>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace foldant {

namespace platform {
class PipeServer;
class PipeStream;
}  // namespace platform

inline constexpr char kStandInPipeName[] = "VarnelLocalService";

class TLocalServiceStandIn {
  public:
    // Raises when the pipe cannot be created or the name file cannot be written.
    TLocalServiceStandIn(std::string databaseFolder, std::ostream& log,
                         std::string pipeName = kStandInPipeName);
    ~TLocalServiceStandIn();

    // Serves clients one after the other until stop becomes true.
    void Run(const std::atomic<bool>& stop);
    int RequestCount() const { return requests_.load(); }

  private:
    void Serve(platform::PipeStream& client);

    std::string databaseFolder_;
    std::ostream& log_;
    std::string pipeName_;
    std::unique_ptr<platform::PipeServer> server_;
    std::atomic<int> requests_{0};
};

// The command "service --db DIR [--pipe NAME]" (the arguments after "service"): runs the
// stand-in until the process is interrupted or terminated; answers the exit code.
int LocalServiceMain(const std::vector<std::string>& arguments);

}  // namespace foldant
