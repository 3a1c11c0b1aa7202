#include "script/script_runtime.h"

#include <chrono>
#include <mutex>

#include "platform/message_loop.h"
#include "script/script_text.h"

namespace foldant {
namespace {

std::mutex gPumpGuard;
MessagePump gPump;

std::unique_ptr<TScriptStartThread> gStartThread;

}  // namespace

TScript::TScript(const std::string& ScriptText, TFillData* FillData)
    : fillData_(FillData),
      savedDecimalSeparator_(DecimalSeparator()),
      savedThousandSeparator_(ThousandSeparator()) {
    if (fillData_ != nullptr) {
        if (fillData_->DecimalSeparator() != 0) {
            SetDecimalSeparator(fillData_->DecimalSeparator());
        }
        if (fillData_->ThousandSeparator() != 0) {
            SetThousandSeparator(fillData_->ThousandSeparator());
        }
        fillData_->SetErrorText({});
    }
    engine_ = std::make_unique<ScriptEngine>();
    engine_->SetSyntax("PascalScript");
    engine_->SetScriptText(ScriptText);
    engine_->SetSyntax("PascalScript");
    engine_->SetParent(&ScriptLibrary::Global());
}

TScript::~TScript() {
    engine_.reset();
    SetDecimalSeparator(savedDecimalSeparator_);
    SetThousandSeparator(savedThousandSeparator_);
}

void TScript::RecordFailure(const std::string& message) {
    if (fillData_ != nullptr) {
        fillData_->SetErrorText(message + "Code: " + engine_->ScriptText());
    }
}

void TScript::RunScript() {
    compileSucceeded_ = false;
    if (fillData_ != nullptr) {
        for (const auto& entry : fillData_->Classes()) {
            engine_->AddClass(entry->AncestorName, entry->ClassName);
        }
        for (const auto& variable : fillData_->Variables()) {
            engine_->AddVariable(variable->Name, variable->Typ, variable->Value);
        }
        for (const auto& object : fillData_->Objects()) {
            engine_->AddObject(object->Name, object->Obj);
        }
        fillData_->SetErrorText({});
    }
    if (!engine_->Compile()) {
        RecordFailure(engine_->ErrorMessage());
        return;
    }
    compileSucceeded_ = true;
    try {
        engine_->Execute();
    } catch (const std::exception& error) {
        RecordFailure(error.what());
    }
}

void SetScriptWaitPump(MessagePump pump) {
    std::lock_guard lock(gPumpGuard);
    gPump = std::move(pump);
}

TScriptStartThread::TScriptStartThread()
    : helper_(std::make_unique<TScriptHelper>()), fillData_(std::make_unique<TFillData>()) {
    fillData_->SetDecimalSeparator(DecimalSeparator());
    fillData_->SetThousandSeparator(ThousandSeparator());
    thread_ = std::thread([this] { Execute(); });
}

TScriptStartThread::~TScriptStartThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
    fillData_.reset();
    script_.reset();
    helper_.reset();
}

void TScriptStartThread::Execute() {
    try {
        script_ = std::make_unique<TScript>("", fillData_.get());
        helper_->RegisterFunctions(script_->Engine());
    } catch (const std::exception&) {
        script_.reset();
    }
    terminated_.store(true, std::memory_order_release);
}

void TScriptStartThread::WaitUntilReady() const {
    while (!Terminated()) {
        MessagePump pump;
        {
            std::lock_guard lock(gPumpGuard);
            pump = gPump;
        }
        if (pump) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        platform::DispatchMessagesUntil([this] { return Terminated(); }, 1);
        if (!Terminated() && platform::QuitRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void StartScriptEngine() {
    if (!gStartThread) {
        gStartThread = std::make_unique<TScriptStartThread>();
    }
}

void StopScriptEngine() {
    gStartThread.reset();
}

TScriptStartThread* ScriptStartThread() {
    return gStartThread.get();
}

}  // namespace foldant
