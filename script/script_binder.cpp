#include "script/script_binder.h"

#include <map>
#include <optional>

namespace foldant {
namespace {

struct LocalName {
    size_t slot;
    bool isConst;
};

class Binder {
  public:
    Binder(ScriptProgram& program, const ScriptScope& host, const ScriptLibrary& library)
        : program_(program), host_(host), library_(library) {}

    void Run() {
        for (VarDecl& decl : program_.globals) {
            Declare(globals_, decl, globals_.size());
        }
        CollectRoutines();
        for (VarDecl& decl : program_.globals) {
            BindDeclaration(decl);
        }
        for (auto& routine : program_.routines) {
            if (routine->body) {
                BindRoutine(*routine);
            }
        }
        BindStatements(program_.main->body);
    }

  private:
    [[noreturn]] static void Fail(SourcePosition at, const std::string& message) {
        throw ScriptCompileError(at, message);
    }

    void CheckType(DeclaredType& type) {
        if (type.type == ScriptType::Object && !host_.IsClassName(type.className)) {
            Fail(type.position, "Unknown type '" + type.className + "'");
        }
    }

    void Declare(std::map<std::string, LocalName>& scope, VarDecl& decl, size_t slot) {
        if (!scope.emplace(decl.name, LocalName{slot, decl.isConst}).second) {
            Fail(decl.position, "Duplicate identifier '" + decl.spelling + "'");
        }
        decl.slot = slot;
        CheckType(decl.type);
    }

    void BindDeclaration(VarDecl& decl) {
        if (decl.initialValue) {
            BindExpression(decl.initialValue);
        }
    }

    void CollectRoutines() {
        for (auto& routine : program_.routines) {
            if (globals_.count(routine->name) != 0) {
                Fail(routine->position, "Duplicate identifier '" + routine->spelling + "'");
            }
            auto found = routines_.find(routine->name);
            if (found != routines_.end()) {
                if (found->second->body || !routine->body ||
                    found->second->params.size() != routine->params.size()) {
                    Fail(routine->position, "Duplicate identifier '" + routine->spelling + "'");
                }
            }
            routines_[routine->name] = routine.get();
            for (Parameter& param : routine->params) {
                CheckType(param.type);
            }
            if (routine->isFunction) {
                CheckType(routine->resultType);
            }
        }
        for (auto& routine : program_.routines) {
            if (!routine->body && routines_[routine->name] == routine.get()) {
                Fail(routine->position,
                     "Unsatisfied forward declaration: '" + routine->spelling + "'");
            }
        }
    }

    void BindRoutine(ScriptRoutine& routine) {
        locals_.clear();
        current_ = &routine;
        size_t slot = 0;
        for (Parameter& param : routine.params) {
            if (!locals_.emplace(param.name, LocalName{slot++, false}).second) {
                Fail(param.position, "Duplicate identifier '" + param.spelling + "'");
            }
        }
        if (routine.isFunction) {
            routine.resultSlot = slot++;
            locals_.emplace("result", LocalName{routine.resultSlot, false});
        }
        for (VarDecl& decl : routine.locals) {
            Declare(locals_, decl, slot++);
            BindDeclaration(decl);
        }
        routine.frameSize = slot;
        BindStatements(routine.body->body);
        current_ = nullptr;
        locals_.clear();
    }

    Binding Resolve(const std::string& name, const std::string& spelling, SourcePosition at) {
        Binding binding;
        if (current_ != nullptr) {
            auto local = locals_.find(name);
            if (local != locals_.end()) {
                binding.kind = BindingKind::Local;
                binding.index = local->second.slot;
                return binding;
            }
        }
        if (auto global = globals_.find(name); global != globals_.end()) {
            binding.kind = BindingKind::Global;
            binding.index = global->second.slot;
            return binding;
        }
        if (auto routine = routines_.find(name); routine != routines_.end()) {
            binding.kind = BindingKind::Routine;
            binding.routine = routine->second;
            return binding;
        }
        if (auto hosted = host_.FindName(name)) {
            return *hosted;
        }
        if (const BuiltinFunction* builtin = library_.Find(name)) {
            binding.kind = BindingKind::Builtin;
            binding.builtin = builtin;
            return binding;
        }
        if (auto constant = library_.FindConstant(name)) {
            binding.kind = BindingKind::Constant;
            binding.constant = *constant;
            return binding;
        }
        Fail(at, "Unknown identifier '" + spelling + "'");
    }

    static bool IsCallable(const Binding& binding) {
        return binding.kind == BindingKind::Routine || binding.kind == BindingKind::External ||
               binding.kind == BindingKind::Builtin;
    }

    void CheckArguments(const Binding& binding, std::vector<ExprPtr>& args, SourcePosition at) {
        size_t count = args.size();
        if (binding.kind == BindingKind::Builtin) {
            const BuiltinFunction& f = *binding.builtin;
            if (count < static_cast<size_t>(f.minArgs) || count > static_cast<size_t>(f.maxArgs)) {
                Fail(at, "Invalid number of parameters");
            }
            for (size_t i = 0; i < count; ++i) {
                if ((f.varParams >> i) & 1U) {
                    CheckAssignable(*args[i], true);
                }
            }
            return;
        }
        const ScriptRoutine& routine = *binding.routine;
        if (count != routine.params.size()) {
            Fail(at, "Invalid number of parameters");
        }
        for (size_t i = 0; i < count; ++i) {
            if (routine.params[i].byReference) {
                CheckAssignable(*args[i], true);
            }
        }
    }

    bool IsConstSlot(const Binding& binding) const {
        if (binding.kind == BindingKind::Global) {
            for (auto& [name, entry] : globals_) {
                if (entry.slot == binding.index) {
                    return entry.isConst;
                }
            }
        }
        if (binding.kind == BindingKind::Local) {
            for (auto& [name, entry] : locals_) {
                if (entry.slot == binding.index) {
                    return entry.isConst;
                }
            }
        }
        return false;
    }

    void CheckAssignable(Expr& target, bool forReference) {
        switch (target.kind) {
            case ExprKind::Name: {
                auto& name = static_cast<NameExpr&>(target);
                const Binding& b = name.binding;
                bool variable = b.kind == BindingKind::Local || b.kind == BindingKind::Global ||
                                b.kind == BindingKind::EngineVariable;
                if (!variable || IsConstSlot(b)) {
                    Fail(target.position,
                         forReference ? "Variable required" : "Left side cannot be assigned to");
                }
                return;
            }
            case ExprKind::Index:
            case ExprKind::Member:
                return;
            default:
                Fail(target.position,
                     forReference ? "Variable required" : "Left side cannot be assigned to");
        }
    }

    void BindExpression(ExprPtr& expr) {
        switch (expr->kind) {
            case ExprKind::Literal:
                return;
            case ExprKind::Name: {
                auto& name = static_cast<NameExpr&>(*expr);
                name.binding = Resolve(name.name, name.spelling, name.position);
                if (IsCallable(name.binding)) {
                    std::vector<ExprPtr> none;
                    CheckArguments(name.binding, none, name.position);
                }
                return;
            }
            case ExprKind::Call: {
                auto& call = static_cast<CallExpr&>(*expr);
                for (ExprPtr& arg : call.args) {
                    BindExpression(arg);
                }
                call.binding = Resolve(call.name, call.spelling, call.position);
                if (!IsCallable(call.binding)) {
                    Fail(call.position, "'" + call.spelling + "' is not a procedure or function");
                }
                CheckArguments(call.binding, call.args, call.position);
                return;
            }
            case ExprKind::Member:
                BindExpression(static_cast<MemberExpr&>(*expr).object);
                return;
            case ExprKind::MethodCall: {
                auto& call = static_cast<MethodCallExpr&>(*expr);
                BindExpression(call.object);
                for (ExprPtr& arg : call.args) {
                    BindExpression(arg);
                }
                return;
            }
            case ExprKind::Index: {
                auto& index = static_cast<IndexExpr&>(*expr);
                BindExpression(index.object);
                BindExpression(index.index);
                return;
            }
            case ExprKind::Unary:
                BindExpression(static_cast<UnaryExpr&>(*expr).operand);
                return;
            case ExprKind::Binary: {
                auto& binary = static_cast<BinaryExpr&>(*expr);
                BindExpression(binary.left);
                BindExpression(binary.right);
                return;
            }
            case ExprKind::Set:
                BindElements(static_cast<SetExpr&>(*expr).elements);
                return;
        }
    }

    void BindElements(std::vector<SetElement>& elements) {
        for (SetElement& element : elements) {
            BindExpression(element.low);
            if (element.high) {
                BindExpression(element.high);
            }
        }
    }

    void BindTarget(ExprPtr& target) {
        if (target->kind == ExprKind::Name && current_ != nullptr && current_->isFunction &&
            static_cast<NameExpr&>(*target).name == current_->name &&
            locals_.count(current_->name) == 0) {
            auto& name = static_cast<NameExpr&>(*target);
            name.binding.kind = BindingKind::Local;
            name.binding.index = current_->resultSlot;
            return;
        }
        BindExpression(target);
        CheckAssignable(*target, false);
    }

    // The handler's variable lives in a slot of its own, visible only in the handler's body.
    void BindHandler(ExceptionHandler& handler) {
        if (handler.variable.empty()) {
            BindOptional(handler.body);
            return;
        }
        bool inRoutine = current_ != nullptr;
        auto& scope = inRoutine ? locals_ : globals_;
        size_t slot =
            inRoutine ? current_->frameSize++ : program_.globals.size() + program_.handlerSlots++;
        handler.binding.kind = inRoutine ? BindingKind::Local : BindingKind::Global;
        handler.binding.index = slot;
        std::optional<LocalName> shadowed;
        if (auto found = scope.find(handler.variable); found != scope.end()) {
            shadowed = found->second;
        }
        scope[handler.variable] = LocalName{slot, true};
        BindOptional(handler.body);
        if (shadowed) {
            scope[handler.variable] = *shadowed;
        } else {
            scope.erase(handler.variable);
        }
    }

    void BindStatements(std::vector<StmtPtr>& list) {
        for (StmtPtr& stmt : list) {
            BindStatement(*stmt);
        }
    }

    void BindOptional(StmtPtr& stmt) {
        if (stmt) {
            BindStatement(*stmt);
        }
    }

    void BindLoopBody(StmtPtr& body) {
        ++loopDepth_;
        BindOptional(body);
        --loopDepth_;
    }

    void BindStatement(Stmt& stmt) {
        switch (stmt.kind) {
            case StmtKind::Empty:
                return;
            case StmtKind::Assign: {
                auto& assign = static_cast<AssignStmt&>(stmt);
                BindTarget(assign.target);
                BindExpression(assign.value);
                return;
            }
            case StmtKind::Call: {
                auto& call = static_cast<CallStmt&>(stmt);
                BindExpression(call.call);
                if (call.call->kind == ExprKind::Name &&
                    !IsCallable(static_cast<NameExpr&>(*call.call).binding)) {
                    Fail(call.call->position, "Statement expected, but expression found");
                }
                return;
            }
            case StmtKind::Compound:
                BindStatements(static_cast<CompoundStmt&>(stmt).body);
                return;
            case StmtKind::If: {
                auto& s = static_cast<IfStmt&>(stmt);
                BindExpression(s.condition);
                BindOptional(s.thenBranch);
                BindOptional(s.elseBranch);
                return;
            }
            case StmtKind::Case: {
                auto& s = static_cast<CaseStmt&>(stmt);
                BindExpression(s.selector);
                for (CaseBranch& branch : s.branches) {
                    BindElements(branch.labels);
                    BindOptional(branch.body);
                }
                BindStatements(s.elseBody);
                return;
            }
            case StmtKind::For: {
                auto& s = static_cast<ForStmt&>(stmt);
                BindExpression(s.variable);
                CheckAssignable(*s.variable, true);
                BindExpression(s.start);
                BindExpression(s.stop);
                BindLoopBody(s.body);
                return;
            }
            case StmtKind::While: {
                auto& s = static_cast<WhileStmt&>(stmt);
                BindExpression(s.condition);
                BindLoopBody(s.body);
                return;
            }
            case StmtKind::Repeat: {
                auto& s = static_cast<RepeatStmt&>(stmt);
                ++loopDepth_;
                BindStatements(s.body);
                --loopDepth_;
                BindExpression(s.condition);
                return;
            }
            case StmtKind::Try: {
                auto& s = static_cast<TryStmt&>(stmt);
                BindStatements(s.body);
                for (ExceptionHandler& handler : s.handlers) {
                    BindHandler(handler);
                }
                BindStatements(s.handler);
                return;
            }
            case StmtKind::Raise: {
                auto& s = static_cast<RaiseStmt&>(stmt);
                if (s.message) {
                    BindExpression(s.message);
                }
                return;
            }
            case StmtKind::Exit: {
                auto& s = static_cast<ExitStmt&>(stmt);
                if (s.value) {
                    if (current_ == nullptr || !current_->isFunction) {
                        Fail(s.position, "Exit with a value outside a function");
                    }
                    s.resultSlot = current_->resultSlot;
                    BindExpression(s.value);
                }
                return;
            }
            case StmtKind::Break:
            case StmtKind::Continue:
                if (loopDepth_ == 0) {
                    Fail(stmt.position, "BREAK or CONTINUE outside of loop");
                }
                return;
        }
    }

    ScriptProgram& program_;
    const ScriptScope& host_;
    const ScriptLibrary& library_;
    std::map<std::string, LocalName> globals_;
    std::map<std::string, ScriptRoutine*> routines_;
    std::map<std::string, LocalName> locals_;
    ScriptRoutine* current_ = nullptr;
    int loopDepth_ = 0;
};

}  // namespace

void BindProgram(ScriptProgram& program, const ScriptScope& host, const ScriptLibrary& library) {
    Binder(program, host, library).Run();
}

}  // namespace foldant
