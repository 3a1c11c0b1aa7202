// How long after the program starts the script engine is ready: the start thread is launched
// first thing, as the module does, and the main thread waits for it. Prints milliseconds from
// entering main; the budget is 50 ms.

#include <chrono>
#include <cstdio>

#include "script/script_runtime.h"

int main() {
    auto start = std::chrono::steady_clock::now();
    foldant::StartScriptEngine();
    foldant::ScriptStartThread()->WaitUntilReady();
    auto ready = std::chrono::steady_clock::now();
    bool built = foldant::ScriptStartThread()->Script() != nullptr;
    foldant::StopScriptEngine();
    double ms = std::chrono::duration<double, std::milli>(ready - start).count();
    std::printf("script engine ready after %.3f ms (budget 50 ms)%s\n", ms,
                built ? "" : " -- building the engine failed");
    return built && ms < 50 ? 0 : 1;
}
