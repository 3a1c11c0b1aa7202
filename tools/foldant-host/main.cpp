// foldant-host plays the office suite's side of the exchange channel for people who build and
// test the module:
//   foldant-host respond --module PATH --target FILE COPY...
//   foldant-host send --module PATH --db DIR [--order FILE] [--caption TEXT] --target FILE
//                     ATTACHMENT...
//   foldant-host service --db DIR [--pipe NAME]
// The first two take --point X Y (the screen point handed to the module) and --timeout SECONDS (the
// longest silence of the module; it sends a keep-alive every minute).

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/windows1252.h"
#include "tools/foldant-host/sending_job.h"
#include "tools/foldant-service/local_service_standin.h"

namespace foldant {
namespace {

constexpr const char* kUsage =
    "usage: foldant-host respond --module PATH --target FILE COPY...\n"
    "       foldant-host send --module PATH --db DIR [--order FILE] [--caption TEXT]\n"
    "                         --target FILE ATTACHMENT...\n"
    "       foldant-host service --db DIR [--pipe NAME]\n"
    "options of respond and send: --point X Y, --timeout SECONDS\n";

struct TCommandLine {
    std::string command;
    THostOptions options;
    TSendingJob job;
};

class TArguments {
  public:
    TArguments(int argc, char** argv) {
        for (int i = 1; i < argc; ++i) {
            items_.push_back(Utf8ToAnsi(argv[i]));
        }
    }
    bool AtEnd() const { return next_ >= items_.size(); }
    std::string Next(const std::string& what) {
        if (AtEnd()) {
            throw std::invalid_argument("missing " + what);
        }
        return items_[next_++];
    }

  private:
    std::vector<std::string> items_;
    std::size_t next_ = 0;
};

TCommandLine ParseCommandLine(TArguments& arguments) {
    TCommandLine line;
    line.command = arguments.Next("command");
    if (line.command != "respond" && line.command != "send") {
        throw std::invalid_argument("unknown command " + line.command);
    }
    while (!arguments.AtEnd()) {
        std::string item = arguments.Next("argument");
        if (item == "--module") {
            line.options.modulePath = arguments.Next("module path");
        } else if (item == "--target") {
            line.job.target = arguments.Next("target file");
        } else if (item == "--db" && line.command == "send") {
            line.job.dbPath = arguments.Next("database folder");
        } else if (item == "--order" && line.command == "send") {
            line.job.orderFile = arguments.Next("order file");
        } else if (item == "--caption" && line.command == "send") {
            line.job.caption = arguments.Next("caption");
        } else if (item == "--point") {
            line.options.pointX = arguments.Next("x of the point");
            line.options.pointY = arguments.Next("y of the point");
        } else if (item == "--timeout") {
            int seconds = std::stoi(arguments.Next("time-out"));
            if (seconds <= 0) {
                throw std::invalid_argument("the time-out must be positive");
            }
            line.options.silenceTimeoutMs = seconds * 1000;
        } else if (item.rfind("--", 0) == 0) {
            throw std::invalid_argument("unknown option " + item);
        } else {
            line.job.attachments.push_back(item);
        }
    }
    if (line.options.modulePath.empty() || line.job.target.empty()) {
        throw std::invalid_argument("--module and --target are required");
    }
    if (line.command == "send" && line.job.dbPath.empty()) {
        throw std::invalid_argument("--db is required");
    }
    return line;
}

int Main(int argc, char** argv) {
    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : kHostFailed;
    }
    // The local service stand-in has its own command line.
    if (argc >= 2 && std::string(argv[1]) == "service") {
        return LocalServiceMain(std::vector<std::string>(argv + 2, argv + argc));
    }
    TCommandLine line;
    try {
        TArguments arguments(argc, argv);
        line = ParseCommandLine(arguments);
    } catch (const std::exception& error) {
        std::cerr << "foldant-host: " << AnsiToUtf8(error.what()) << '\n' << kUsage;
        return kHostFailed;
    }
    try {
        if (line.command == "respond") {
            return RunRespond(line.options, line.job.target, line.job.attachments, std::cout);
        }
        return RunSend(line.options, line.job, std::cout);
    } catch (const std::exception& error) {
        std::cout << std::flush;
        std::cerr << "foldant-host: " << AnsiToUtf8(error.what()) << '\n';
        return kHostFailed;
    }
}

}  // namespace
}  // namespace foldant

int main(int argc, char** argv) {
    foldant::platform::Utf8Arguments utf8(argc, argv);
    return foldant::Main(utf8.Count(), utf8.Values());
}
