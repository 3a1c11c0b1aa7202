#pragma once

// The hand-over of a channel name from a later start of the module to the main windows of a
// running one: each window of the class receives the record {dwData, cbData, lpData}. On
// Windows it travels as WM_COPYDATA to every top-level window of the class; on Linux a local
// socket per window stands in for it (app/hand_over_socket.h).

#include <cstdint>
#include <string>

namespace foldant {

// Larger records are refused without an answer.
inline constexpr std::uint32_t kMaxHandOverRecord = 64 * 1024;
inline constexpr int kHandOverTimeoutMs = 10'000;

// Sends the record to every window of the class and waits for each answer, at most timeoutMs
// per window. Answers how many windows answered.
int SendHandOverRecord(const std::string& className, std::uintptr_t dwData, const std::string& data,
                       int timeoutMs = kHandOverTimeoutMs);

}  // namespace foldant
