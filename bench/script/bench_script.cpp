// A run of the default setup script on the process's engine with a loaded order, as the module
// does for every job (budget: under 5 ms), and the parts of that run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "script/script_parser.h"
#include "script/script_runtime.h"
#include "script/setup_script.h"

namespace {

std::string WriteOrder() {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "bench_script_order.json";
    std::ofstream(path) << R"({"Order":[{"Nr":"1","Adress":[{"R1":"Firma FOLDANT","L2":"x"}],)"
                           R"("Parts":[{"Name":"a"},{"Name":"b"}]}]})";
    return path.string();
}

foldant::TScriptStartThread& ReadyThread() {
    static bool started = [] {
        foldant::StartScriptEngine();
        foldant::ScriptStartThread()->WaitUntilReady();
        foldant::ScriptStartThread()->Helper().LoadOrder(WriteOrder());
        return true;
    }();
    (void)started;
    return *foldant::ScriptStartThread();
}

void BM_RunDefaultSetupScript(benchmark::State& state) {
    foldant::TScriptStartThread& thread = ReadyThread();
    std::string text = foldant::DefaultSetupScript();
    for (auto _ : state) {
        benchmark::DoNotOptimize(foldant::RunSetupScriptText(thread, text));
    }
}
BENCHMARK(BM_RunDefaultSetupScript)->Unit(benchmark::kMicrosecond);

void BM_RunSetupScriptFromFile(benchmark::State& state) {
    ReadyThread();
    std::filesystem::path db = std::filesystem::temp_directory_path() / "bench_script_db";
    std::filesystem::remove_all(db);
    std::string order = WriteOrder();
    for (auto _ : state) {
        benchmark::DoNotOptimize(foldant::RunSetupScript(db.string(), order));
    }
    std::filesystem::remove_all(db);
}
BENCHMARK(BM_RunSetupScriptFromFile)->Unit(benchmark::kMicrosecond);

void BM_ParseDefaultSetupScript(benchmark::State& state) {
    std::string text = foldant::DefaultSetupScript();
    for (auto _ : state) {
        benchmark::DoNotOptimize(foldant::ParseProgram(text));
    }
}
BENCHMARK(BM_ParseDefaultSetupScript)->Unit(benchmark::kMicrosecond);

void BM_LoopOfAMillionSteps(benchmark::State& state) {
    foldant::TScript script(
        "var i, s: Integer; begin for i := 1 to 1000000 do s := s + i mod 7; end.", nullptr);
    script.Engine().Compile();
    for (auto _ : state) {
        script.Engine().Execute();
    }
}
BENCHMARK(BM_LoopOfAMillionSteps)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
