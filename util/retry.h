#pragma once

// Bounded retries for work that fails while another program holds a file. The waits block the
// calling thread.

#include <chrono>
#include <exception>
#include <thread>

namespace foldant {

// Calls attempt() until it returns without raising, at most `attempts` times, pausing between
// tries. The error of the last try reaches the caller.
template <typename Attempt>
void RetryOnFailure(int attempts, std::chrono::milliseconds pause, Attempt&& attempt) {
    for (int tried = 1;; ++tried) {
        try {
            attempt();
            return;
        } catch (const std::exception&) {
            if (tried >= attempts) {
                throw;
            }
        }
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace foldant
