#pragma once

// The layer between the interpreter and the module: TScript owns one engine and runs the
// script text with a TFillData; TScriptStartThread builds the process's single TScript on a
// background thread at start-up and registers the module's script functions with it.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "script/fill_data.h"
#include "script/script_engine.h"
#include "script/script_helper.h"

namespace foldant {

class TScript {
  public:
    // FillData may be null; its separators that are not 0 replace the process-wide ones until
    // this object is destroyed.
    TScript(const std::string& ScriptText, TFillData* FillData);
    ~TScript();
    TScript(const TScript&) = delete;
    TScript& operator=(const TScript&) = delete;

    // Declares the fill data with the engine, compiles and runs the engine's script text. A
    // failure is recorded in the fill data's error text as the message followed directly by
    // "Code: " and the whole script text; nothing is raised.
    void RunScript();
    // Whether the last RunScript got past compiling.
    bool CompileSucceeded() const { return compileSucceeded_; }

    ScriptEngine& Engine() { return *engine_; }
    TFillData* FillData() const { return fillData_; }

  private:
    void RecordFailure(const std::string& message);

    TFillData* fillData_;
    char savedDecimalSeparator_;
    char savedThousandSeparator_;
    std::unique_ptr<ScriptEngine> engine_;
    bool compileSucceeded_ = false;
};

// Waiting for the engine keeps the platform's message loop turning (a quit request stays
// pending for the loop). A window toolkit that runs its own event loop can install a pump
// instead: it takes and dispatches every pending message once; an empty pump restores the
// platform loop.
using MessagePump = std::function<void()>;
void SetScriptWaitPump(MessagePump pump);

class TScriptStartThread {
  public:
    // Creates the helper and the fill data, copies the process-wide separators into the fill
    // data and starts building the engine.
    TScriptStartThread();
    // Waits for the thread; frees the fill data, then the TScript, then the helper.
    ~TScriptStartThread();
    TScriptStartThread(const TScriptStartThread&) = delete;
    TScriptStartThread& operator=(const TScriptStartThread&) = delete;

    // True once the engine is ready, or its construction failed.
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Returns when Terminated is true, keeping the message pump turning meanwhile.
    void WaitUntilReady() const;

    // Null when building the engine failed; only to be used once Terminated is true.
    TScript* Script() const { return script_.get(); }
    TFillData& FillData() { return *fillData_; }
    TScriptHelper& Helper() { return *helper_; }

  private:
    void Execute();

    std::unique_ptr<TScriptHelper> helper_;
    std::unique_ptr<TScript> script_;
    std::unique_ptr<TFillData> fillData_;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

// The process-wide start thread. StartScriptEngine is called once at process start, before
// anything else; StopScriptEngine at the end.
void StartScriptEngine();
void StopScriptEngine();
// Null before StartScriptEngine and after StopScriptEngine.
TScriptStartThread* ScriptStartThread();

}  // namespace foldant
