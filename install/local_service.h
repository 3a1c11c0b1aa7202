#pragma once

// Value reads from the suite's local service. The service's pipe name is the first line of the
// name file in the module's temporary folder.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace foldant {

inline constexpr char kServiceNameFile[] = "VNL-EXCHANGELOCALSERVICE.TXT";
inline constexpr uint32_t kServiceTimeoutMs = 5000;

struct TIPCResult {
    std::string ErrorDesc;
    std::string ComputerName;
    std::string ServerName;
    bool Succeeded = false;
};

class TIPCClientException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One request: "COMMAND", "INDEX" -1, "DATA" (left out when empty) and "SYNC" true; the answer
// text is the answer's "DATA", empty when there was no answer.
TIPCResult ReadIPCValue(const std::string& command, const std::string& serverName,
                        const std::string& data, std::string& answer);

// Up to three attempts, 50 ms apart, on the pipe named by the name file. With raiseErrors, the
// first failed attempt raises TIPCClientException; without, failures give the empty text.
std::string ReadIPCValueSync(const std::string& command, bool raiseErrors,
                             const std::string& data = {});

// The database folder open in the suite, with a trailing delimiter; empty when the service
// cannot tell.
std::string ReadDBPath();

}  // namespace foldant
