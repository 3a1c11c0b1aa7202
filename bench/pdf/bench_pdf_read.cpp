// Reads every object of one PDF file by number and reports the throughput and peak memory.
// Usage: bench_pdf_read FILE [ROUNDS]. The input is built by make_bench_file.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "pdf/page_tree.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "platform/windows1252.h"

namespace {

std::string PeakMemory() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return line.substr(6);
        }
    }
    return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_pdf_read FILE [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::u16string path = foldant::Utf8ToUtf16(argv[1]);
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        foldant::TWideFileStream file(path, foldant::TWideFileStream::kModeRead);
        foldant::TSmartPDFReader reader(file);
        auto scratch = std::make_unique<foldant::TPDFStructure>();
        int64_t objects = 0;
        for (int32_t n = 1; n <= reader.ObjectCount(); ++n) {
            objects += reader.GetObject(n, scratch.get()) != nullptr ? 1 : 0;
            if (scratch->Count() > 100) {
                scratch = std::make_unique<foldant::TPDFStructure>();
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double megabytes = static_cast<double>(file.Size()) / 1e6;
        std::printf(
            "round %d: %.1f MB, %lld objects, %d pages, %.3f s (%.0f MB/s), cpu %.3f s "
            "(%.0f MB/s)\n",
            round + 1, megabytes, static_cast<long long>(objects), foldant::CountPages(reader),
            seconds, megabytes / seconds, cpuSeconds, megabytes / cpuSeconds);
    }
    std::printf("peak memory:%s\n", PeakMemory().c_str());
    return 0;
}
