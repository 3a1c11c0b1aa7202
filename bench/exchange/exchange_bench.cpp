// Measures the exchange channel as a host sees it:
//   1. the time from the host's write into the block to the call of the module's handler;
//   2. the processor time of an idle module that polls its block (waiting thread and timer
//      manager together), as a share of one core.
// Usage: bench_exchange [messages] [idle seconds]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "exchange/channel_block.h"
#include "exchange/exchange_object.h"
#include "platform/guid.h"
#include "platform/message_loop.h"
#include "platform/shared_memory.h"

namespace foldant {
namespace {

using Clock = std::chrono::steady_clock;

class BenchShell : public TModuleState {
  public:
    platform::WindowHandle MainWindowHandle() const override { return 0; }
    bool IsDebugRun() const override { return false; }
};

class Block {
  public:
    Block() : name_("varnel-bench-" + platform::NewGuidText()) {
        platform::CreateSharedMemoryBlock(name_, kChannelBlockSize);
    }
    ~Block() { platform::RemoveSharedMemoryBlock(name_); }
    const std::string& Name() const { return name_; }

  private:
    std::string name_;
};

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void MeasureLatency(int messages) {
    Block block;
    BenchShell shell;
    std::atomic<int> handled{0};
    std::vector<Clock::time_point> calls(static_cast<std::size_t>(messages));
    TExChangeObject exchange(
        block.Name(),
        [&](TExChangeObject&, TQvCustomJSON&) {
            int index = handled.load();
            if (index < messages) {
                calls[static_cast<std::size_t>(index)] = Clock::now();
            }
            handled.store(index + 1);
        },
        nullptr, shell);

    std::vector<Clock::time_point> writes(static_cast<std::size_t>(messages));
    std::atomic<bool> failed{false};
    std::thread host([&] {
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> pause(0, 25);
        for (int i = 0; i < messages && !failed; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            std::string text = "{\"UID\":\"host\",\"n\":" + std::to_string(i) + "}";
            writes[static_cast<std::size_t>(i)] = Clock::now();
            WriteChannelText(block.Name(), text);
            auto deadline = Clock::now() + std::chrono::seconds(10);
            while (handled.load() <= i) {
                if (Clock::now() > deadline) {
                    failed = true;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    });
    platform::DispatchMessagesUntil([&] { return handled.load() >= messages || failed; },
                                    messages * 1000 + 10'000);
    failed = failed || handled.load() < messages;
    host.join();
    if (failed) {
        std::printf("latency: a message was not delivered\n");
        return;
    }
    std::vector<double> latencies;
    for (int i = 0; i < messages; ++i) {
        auto index = static_cast<std::size_t>(i);
        latencies.push_back(
            std::chrono::duration<double, std::milli>(calls[index] - writes[index]).count());
    }
    std::printf(
        "write -> handler, %d messages: p50 %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms"
        " (target p99 < 20 ms)\n",
        messages, Percentile(latencies, 0.5), Percentile(latencies, 0.9),
        Percentile(latencies, 0.99), Percentile(latencies, 1.0));
}

void MeasureIdleCpu(int seconds) {
    Block block;
    BenchShell shell;
    WriteChannelText(block.Name(),
                     "{\"UID\":\"host\",\"DBPath\":\"/db\",\"Attachments\":\"/a.pdf\"}");
    int handled = 0;
    TExChangeObject exchange(
        block.Name(), [&](TExChangeObject&, TQvCustomJSON&) { ++handled; }, nullptr, shell);
    platform::DispatchMessagesUntil([&] { return handled > 0; }, 10'000);

    std::clock_t cpuStart = std::clock();
    auto wallStart = Clock::now();
    platform::DispatchMessagesUntil([] { return false; }, seconds * 1000);
    double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    std::printf(
        "idle module polling its block for %.1f s: %.3f s of processor time = %.2f %% of"
        " one core (target < 1 %%)\n",
        wall, cpu, 100.0 * cpu / wall);
}

}  // namespace
}  // namespace foldant

int main(int argc, char** argv) {
    int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    foldant::MeasureLatency(messages);
    foldant::MeasureIdleCpu(seconds);
    return 0;
}
