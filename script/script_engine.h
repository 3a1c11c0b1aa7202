#pragma once

// The interpreter's script object: holds the script text, the names the host declares for a
// run (variables, objects, functions, classes), compiles the text and executes it.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_binder.h"
#include "script/script_evaluator.h"
#include "script/script_library.h"
#include "script/script_object.h"

namespace foldant {

// Called for every call of a function declared with AddFunction: the function's name in upper
// case and the arguments in declaration order. The answer is the function's result.
using ScriptDispatcher = std::function<ScriptValue(const std::string& upperCaseName,
                                                   const std::vector<ScriptValue>& args)>;

// The default time limit of one run: far beyond what a setup script needs, short enough that
// an endless loop cannot freeze the module.
inline constexpr std::chrono::milliseconds kDefaultScriptTimeLimit{10000};

class ScriptEngine : private ScriptScope, private ScriptHost {
  public:
    ScriptEngine();
    ~ScriptEngine() override;
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Only "PascalScript" is offered; another name raises ScriptError.
    void SetSyntax(const std::string& name);
    const std::string& Syntax() const { return syntax_; }

    // Split at CR LF, CR or LF; read back as every line followed by CR LF.
    void SetScriptText(std::string_view text);
    std::string ScriptText() const;
    const std::vector<std::string>& Lines() const { return lines_; }

    // The global library the script sees behind its own names; null hides it.
    void SetParent(const ScriptLibrary* parent);

    void AddClass(const std::string& ancestorName, const std::string& className);
    // A second declaration of a name (compared without case) replaces type and value.
    void AddVariable(const std::string& name, const std::string& typeName,
                     const ScriptValue& value);
    // The object is borrowed; it must outlive the runs that use it.
    void AddObject(const std::string& name, ScriptObject* object);
    // declaration: a routine heading such as "function Order(Index:string):string".
    // Raises ScriptCompileError for a heading that cannot be read.
    void AddFunction(const std::string& declaration, ScriptDispatcher dispatcher,
                     const std::string& category = {}, const std::string& description = {});

    // Answers false and keeps the message (with line and column) when the text does not compile.
    bool Compile();
    const std::string& ErrorMessage() const { return errorMessage_; }
    SourcePosition ErrorPosition() const { return errorPosition_; }

    // Runs the compiled program (compiling first if needed). A failure raises ScriptError with
    // the run-time message; ErrorPosition then names the statement that failed.
    void Execute();

    bool HasVariable(const std::string& name) const;
    // Null for a name that was never declared.
    ScriptValue GetVariable(const std::string& name) const;

    void SetTimeLimit(std::chrono::milliseconds limit) { limits_.timeLimit = limit; }

  private:
    struct Variable {
        std::string key;
        std::string typeName;
        Slot slot;
    };
    struct Object {
        std::string key;
        ScriptObject* object;
    };
    struct Function {
        std::string key;
        std::string upperCaseName;
        std::unique_ptr<ScriptRoutine> heading;
        ScriptDispatcher dispatcher;
    };
    struct Class {
        std::string key;
        std::string ancestor;
    };

    std::optional<Binding> FindName(const std::string& lowerCaseName) const override;
    bool IsClassName(const std::string& lowerCaseName) const override;
    Slot& EngineVariable(size_t index) override;
    ScriptObject* HostObject(size_t index) override;
    ScriptValue CallExternal(size_t index, std::vector<ScriptValue>& args) override;

    ScriptType TypeFromName(const std::string& typeName) const;
    const Variable* FindVariable(const std::string& name) const;

    std::string syntax_ = "PascalScript";
    std::vector<std::string> lines_;
    const ScriptLibrary* parent_ = nullptr;
    std::vector<Class> classes_;
    std::vector<Variable> variables_;
    std::vector<Object> objects_;
    std::vector<Function> functions_;
    std::unique_ptr<ScriptProgram> program_;
    std::string errorMessage_;
    SourcePosition errorPosition_;
    RunLimits limits_;
};

}  // namespace foldant
