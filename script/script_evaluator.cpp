#include "script/script_evaluator.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "script/script_library.h"
#include "script/script_text.h"

namespace foldant {
namespace {

// The longest text a script may build; protects the process from a runaway concatenation.
constexpr size_t kMaxTextLength = 64u << 20;

// The machine stack a run may use. Deep recursion and deeply nested expressions together could
// otherwise exhaust the thread's stack long before the call depth limit is reached.
constexpr uintptr_t kMaxStackUse = 2u << 20;

uintptr_t StackPosition() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

enum class Flow { Normal, Break, Continue, Exit };

int64_t WrapAdd(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
int64_t WrapSubtract(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
int64_t WrapMultiply(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

// -1, 0 or 1; values of different kinds are compared as the dialect's variants are.
int Compare(const ScriptValue& l, const ScriptValue& r) {
    if (l.Kind() == ValueKind::Object || r.Kind() == ValueKind::Object ||
        l.Kind() == ValueKind::Array || r.Kind() == ValueKind::Array) {
        throw ScriptError("Type mismatch");
    }
    if ((l.IsString() || l.IsEmpty()) && (r.IsString() || r.IsEmpty())) {
        // Bytes compare unsigned, so "Ä" sorts after "Z".
        const std::string& a = l.StringRef();
        const std::string& b = r.StringRef();
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            auto x = static_cast<unsigned char>(a[i]);
            auto y = static_cast<unsigned char>(b[i]);
            if (x != y) {
                return x < y ? -1 : 1;
            }
        }
        return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    }

    if (l.Kind() == ValueKind::Integer && r.Kind() == ValueKind::Integer) {
        return l.AsInt() < r.AsInt() ? -1 : l.AsInt() > r.AsInt() ? 1 : 0;
    }
    if (l.Kind() == ValueKind::Boolean && r.Kind() == ValueKind::Boolean) {
        return static_cast<int>(l.AsBool()) - static_cast<int>(r.AsBool());
    }
    double a = l.AsDouble();
    double b = r.AsDouble();
    return a < b ? -1 : a > b ? 1 : 0;
}

bool ValuesEqual(const ScriptValue& l, const ScriptValue& r) {
    if (l.Kind() == ValueKind::Object || r.Kind() == ValueKind::Object) {
        if (l.IsNil() && r.IsNil()) {
            return true;
        }
        return l.Kind() == r.Kind() && l.AsObject() == r.AsObject();
    }
    if (l.IsNull() || r.IsNull()) {
        return l.IsNull() && r.IsNull();
    }
    return Compare(l, r) == 0;
}

class Evaluator {
  public:
    Evaluator(const ScriptProgram& program, ScriptHost& host, const RunLimits& limits,
              SourcePosition& position)
        : program_(program),
          host_(host),
          limits_(limits),
          position_(position),
          deadline_(std::chrono::steady_clock::now() + limits.timeLimit),
          stackBase_(StackPosition()) {}

    void Run() {
        globals_.resize(program_.globals.size() + program_.handlerSlots);
        InitialiseDeclarations(program_.globals, globals_);
        ExecList(program_.main->body);
    }

  private:
    void CheckStack() const {
        uintptr_t here = StackPosition();
        uintptr_t used = here < stackBase_ ? stackBase_ - here : here - stackBase_;
        if (used > kMaxStackUse) {
            throw ScriptError("Stack overflow");
        }
    }

    void Tick() {
        if ((++steps_ & 255) == 0 && std::chrono::steady_clock::now() > deadline_) {
            auto ms = limits_.timeLimit.count();
            throw ScriptAbort("Script stopped: it ran longer than " +
                              (ms % 1000 == 0 ? std::to_string(ms / 1000) + " seconds"
                                              : std::to_string(ms) + " ms"));
        }
    }

    void InitialiseDeclarations(const std::vector<VarDecl>& decls, std::vector<Slot>& slots) {
        for (const VarDecl& decl : decls) {
            Slot& slot = slots[decl.slot];
            slot.type = decl.type.type;
            slot.value = InitialValue(decl.type);
            if (decl.initialValue) {
                ScriptValue value = Eval(*decl.initialValue);
                slots[decl.slot].value = ConvertTo(value, slots[decl.slot].type);
            }
        }
    }

    Slot& SlotFor(const Binding& binding) {
        switch (binding.kind) {
            case BindingKind::Local:
                return (*frame_)[binding.index];
            case BindingKind::Global:
                return globals_[binding.index];
            case BindingKind::EngineVariable:
                return host_.EngineVariable(binding.index);
            default:
                throw ScriptError("Variable required");
        }
    }

    // ---- expressions

    ScriptValue Eval(const Expr& expr) {
        CheckStack();
        switch (expr.kind) {
            case ExprKind::Literal:
                return static_cast<const LiteralExpr&>(expr).value;
            case ExprKind::Name:
                return EvalName(static_cast<const NameExpr&>(expr));
            case ExprKind::Call: {
                auto& call = static_cast<const CallExpr&>(expr);
                return Call(call.binding, call.args);
            }
            case ExprKind::Member: {
                auto& member = static_cast<const MemberExpr&>(expr);
                return ObjectOf(*member.object)->GetProperty(member.name);
            }
            case ExprKind::MethodCall:
                return EvalMethodCall(static_cast<const MethodCallExpr&>(expr));
            case ExprKind::Index:
                return EvalIndex(static_cast<const IndexExpr&>(expr));
            case ExprKind::Unary:
                return EvalUnary(static_cast<const UnaryExpr&>(expr));
            case ExprKind::Binary:
                return EvalBinary(static_cast<const BinaryExpr&>(expr));
            case ExprKind::Set:
                return EvalSet(static_cast<const SetExpr&>(expr));
        }
        return {};
    }

    ScriptValue EvalName(const NameExpr& name) {
        const Binding& b = name.binding;
        switch (b.kind) {
            case BindingKind::Local:
            case BindingKind::Global:
            case BindingKind::EngineVariable:
                return SlotFor(b).value;
            case BindingKind::HostObject:
                return ScriptValue::FromObject(host_.HostObject(b.index));
            case BindingKind::Constant:
                return b.constant;
            case BindingKind::Routine:
            case BindingKind::External:
            case BindingKind::Builtin: {
                static const std::vector<ExprPtr> kNoArgs;
                return Call(b, kNoArgs);
            }
            case BindingKind::Unresolved:
                break;
        }
        throw ScriptError("Unknown identifier '" + name.spelling + "'");
    }

    ScriptObject* ObjectOf(const Expr& expr) {
        ScriptValue value = Eval(expr);
        if (value.Kind() != ValueKind::Object && !value.IsNil()) {
            throw ScriptError("Object expected");
        }
        ScriptObject* object = value.AsObject();
        if (object == nullptr) {
            throw ScriptError("Access to a nil object");
        }
        return object;
    }

    ScriptValue EvalMethodCall(const MethodCallExpr& call) {
        ScriptObject* object = ObjectOf(*call.object);
        std::vector<ScriptValue> args;
        args.reserve(call.args.size());
        for (const ExprPtr& arg : call.args) {
            args.push_back(Eval(*arg));
        }
        return object->CallMethod(call.name, args);
    }

    static size_t ArrayPosition(const ScriptArray& array, const ScriptValue& index) {
        int64_t i = index.AsInt();
        uint64_t offset = static_cast<uint64_t>(i) - static_cast<uint64_t>(array.lowBound);
        if (i < array.lowBound || offset >= array.items.size()) {
            throw ScriptError("Array index out of bounds (" + std::to_string(i) + ")");
        }
        return static_cast<size_t>(offset);
    }

    static size_t StringPosition(const std::string& text, const ScriptValue& index) {
        int64_t i = index.AsInt();
        if (i < 1 || static_cast<uint64_t>(i) > text.size()) {
            throw ScriptError("String index out of range (" + std::to_string(i) + ")");
        }
        return static_cast<size_t>(i - 1);
    }

    ScriptValue EvalIndex(const IndexExpr& expr) {
        ScriptValue base = Eval(*expr.object);
        ScriptValue index = Eval(*expr.index);
        switch (base.Kind()) {
            case ValueKind::Array: {
                const ScriptArray& array = base.AsArray();
                return array.items[ArrayPosition(array, index)];
            }
            case ValueKind::String:
                return ScriptValue::FromString(
                    std::string(1, base.StringRef()[StringPosition(base.StringRef(), index)]));
            case ValueKind::Object:
            case ValueKind::Empty:
            case ValueKind::Null: {
                ScriptObject* object = base.AsObject();
                if (object == nullptr) {
                    throw ScriptError("Access to a nil object");
                }
                return object->GetDefault(index);
            }
            default:
                throw ScriptError("Array type required");
        }
    }

    ScriptValue EvalUnary(const UnaryExpr& expr) {
        ScriptValue v = Eval(*expr.operand);
        switch (expr.op) {
            case UnaryOp::Not:
                if (v.Kind() == ValueKind::Integer) {
                    return ScriptValue::FromInt(~v.AsInt());
                }
                return ScriptValue::FromBool(!v.AsBool());
            case UnaryOp::Negate:
                if (v.Kind() == ValueKind::Integer) {
                    return ScriptValue::FromInt(WrapSubtract(0, v.AsInt()));
                }
                if (v.Kind() == ValueKind::Date) {
                    return ScriptValue::FromDate(-v.AsDouble());
                }
                return ScriptValue::FromDouble(-v.AsDouble());
            case UnaryOp::Plus:
                if (!v.IsNumeric()) {
                    return ScriptValue::FromDouble(v.AsDouble());
                }
                return v;
        }
        return v;
    }

    ScriptValue EvalLogical(const BinaryExpr& expr) {
        ScriptValue l = Eval(*expr.left);
        if (l.Kind() == ValueKind::Integer) {
            int64_t a = l.AsInt();
            int64_t b = Eval(*expr.right).AsInt();
            switch (expr.op) {
                case BinaryOp::And:
                    return ScriptValue::FromInt(a & b);
                case BinaryOp::Or:
                    return ScriptValue::FromInt(a | b);
                default:
                    return ScriptValue::FromInt(a ^ b);
            }
        }
        bool a = l.AsBool();
        if (expr.op == BinaryOp::And && !a) {
            return ScriptValue::FromBool(false);
        }
        if (expr.op == BinaryOp::Or && a) {
            return ScriptValue::FromBool(true);
        }
        bool b = Eval(*expr.right).AsBool();
        return ScriptValue::FromBool(expr.op == BinaryOp::Xor ? a != b : b);
    }

    ScriptValue EvalBinary(const BinaryExpr& expr) {
        if (expr.op == BinaryOp::And || expr.op == BinaryOp::Or || expr.op == BinaryOp::Xor) {
            return EvalLogical(expr);
        }
        if (expr.op == BinaryOp::In) {
            return ScriptValue::FromBool(EvalIn(expr));
        }
        ScriptValue l = Eval(*expr.left);
        ScriptValue r = Eval(*expr.right);
        switch (expr.op) {
            case BinaryOp::Equal:
                return ScriptValue::FromBool(ValuesEqual(l, r));
            case BinaryOp::NotEqual:
                return ScriptValue::FromBool(!ValuesEqual(l, r));
            case BinaryOp::Less:
            case BinaryOp::LessEqual:
            case BinaryOp::Greater:
            case BinaryOp::GreaterEqual:
                return ScriptValue::FromBool(Ordered(expr.op, l, r));
            default:
                return Arithmetic(expr.op, l, r);
        }
    }

    static bool Ordered(BinaryOp op, const ScriptValue& l, const ScriptValue& r) {
        if (l.IsNull() || r.IsNull()) {
            return false;
        }
        int c = Compare(l, r);
        switch (op) {
            case BinaryOp::Less:
                return c < 0;
            case BinaryOp::LessEqual:
                return c <= 0;
            case BinaryOp::Greater:
                return c > 0;
            default:
                return c >= 0;
        }
    }

    static ScriptValue Concatenate(const ScriptValue& l, const ScriptValue& r) {
        const std::string& a = l.StringRef();
        const std::string& b = r.StringRef();
        if (a.size() + b.size() > kMaxTextLength) {
            throw ScriptError("Out of memory");
        }
        std::string joined;
        joined.reserve(a.size() + b.size());
        joined.append(a).append(b);
        return ScriptValue::FromString(std::move(joined));
    }

    static ScriptValue Arithmetic(BinaryOp op, const ScriptValue& l, const ScriptValue& r) {
        if (op == BinaryOp::Add && (l.IsString() || l.IsEmpty()) && (r.IsString() || r.IsEmpty()) &&
            (l.IsString() || r.IsString())) {
            return Concatenate(l, r);
        }
        if (l.IsNull() || r.IsNull()) {
            return ScriptValue::Null();
        }
        bool integers =
            (l.Kind() == ValueKind::Integer || l.Kind() == ValueKind::Boolean || l.IsEmpty()) &&
            (r.Kind() == ValueKind::Integer || r.Kind() == ValueKind::Boolean || r.IsEmpty());
        switch (op) {
            case BinaryOp::IntDivide:
            case BinaryOp::Modulo: {
                int64_t a = l.AsInt();
                int64_t b = r.AsInt();
                if (b == 0) {
                    throw ScriptError("Division by zero");
                }
                if (b == -1) {
                    return ScriptValue::FromInt(op == BinaryOp::Modulo ? 0 : WrapSubtract(0, a));
                }
                return ScriptValue::FromInt(op == BinaryOp::Modulo ? a % b : a / b);
            }
            case BinaryOp::ShiftLeft:
                return ScriptValue::FromInt(
                    static_cast<int64_t>(static_cast<uint64_t>(l.AsInt()) << (r.AsInt() & 63)));
            case BinaryOp::ShiftRight:
                return ScriptValue::FromInt(
                    static_cast<int64_t>(static_cast<uint64_t>(l.AsInt()) >> (r.AsInt() & 63)));
            case BinaryOp::Divide: {
                double b = r.AsDouble();
                double a = l.AsDouble();
                if (b == 0) {
                    throw ScriptError(a == 0 ? "Invalid floating point operation"
                                             : "Floating point division by zero");
                }
                return ScriptValue::FromDouble(a / b);
            }
            default:
                break;
        }
        if (integers) {
            int64_t a = l.AsInt();
            int64_t b = r.AsInt();
            switch (op) {
                case BinaryOp::Add:
                    return ScriptValue::FromInt(WrapAdd(a, b));
                case BinaryOp::Subtract:
                    return ScriptValue::FromInt(WrapSubtract(a, b));
                default:
                    return ScriptValue::FromInt(WrapMultiply(a, b));
            }
        }
        double a = l.AsDouble();
        double b = r.AsDouble();
        double result = op == BinaryOp::Add ? a + b : op == BinaryOp::Subtract ? a - b : a * b;
        bool date = (l.Kind() == ValueKind::Date) != (r.Kind() == ValueKind::Date) &&
                    op != BinaryOp::Multiply;
        return date ? ScriptValue::FromDate(result) : ScriptValue::FromDouble(result);
    }

    bool Matches(const ScriptValue& value, const SetElement& element) {
        ScriptValue low = Eval(*element.low);
        if (!element.high) {
            return ValuesEqual(value, low);
        }
        ScriptValue high = Eval(*element.high);
        return Compare(low, value) <= 0 && Compare(value, high) <= 0;
    }

    bool EvalIn(const BinaryExpr& expr) {
        ScriptValue value = Eval(*expr.left);
        if (expr.right->kind == ExprKind::Set) {
            for (const SetElement& element : static_cast<const SetExpr&>(*expr.right).elements) {
                if (Matches(value, element)) {
                    return true;
                }
            }
            return false;
        }
        ScriptValue set = Eval(*expr.right);
        for (const ScriptValue& item : set.AsArray().items) {
            if (ValuesEqual(value, item)) {
                return true;
            }
        }
        return false;
    }

    ScriptValue EvalSet(const SetExpr& expr) {
        ScriptArray array;
        for (const SetElement& element : expr.elements) {
            ScriptValue low = Eval(*element.low);
            if (!element.high) {
                array.items.push_back(std::move(low));
                continue;
            }
            ScriptValue high = Eval(*element.high);
            bool chars = low.IsString() && low.StringRef().size() == 1;
            int64_t from = chars ? static_cast<unsigned char>(low.StringRef()[0]) : low.AsInt();
            int64_t to = chars && high.IsString() && high.StringRef().size() == 1
                             ? static_cast<unsigned char>(high.StringRef()[0])
                             : high.AsInt();
            if (to < from) {
                continue;
            }
            uint64_t span = static_cast<uint64_t>(to) - static_cast<uint64_t>(from);
            if (span >= 65536) {
                throw ScriptError("Set range too large");
            }
            for (uint64_t k = 0; k <= span; ++k) {
                auto i = static_cast<int64_t>(static_cast<uint64_t>(from) + k);
                array.items.push_back(
                    chars ? ScriptValue::FromString(std::string(1, static_cast<char>(i)))
                          : ScriptValue::FromInt(i));
            }
        }
        return ScriptValue::FromArray(std::move(array));
    }

    // ---- calls

    ScriptValue Call(const Binding& binding, const std::vector<ExprPtr>& argExprs) {
        std::vector<ScriptValue> args;
        args.reserve(argExprs.size());
        for (const ExprPtr& arg : argExprs) {
            args.push_back(Eval(*arg));
        }
        switch (binding.kind) {
            case BindingKind::Builtin: {
                const BuiltinFunction& f = *binding.builtin;
                ScriptValue result = f.body(args);
                for (size_t i = 0; i < argExprs.size(); ++i) {
                    if ((f.varParams >> i) & 1U) {
                        Assign(*argExprs[i], args[i]);
                    }
                }
                return result;
            }
            case BindingKind::External:
                return host_.CallExternal(binding.index, args);
            case BindingKind::Routine:
                return CallRoutine(*binding.routine, args, argExprs);
            default:
                throw ScriptError("Not a procedure or function");
        }
    }

    class CallDepthGuard {
      public:
        CallDepthGuard(int& depth, int limit) : depth_(depth) {
            if (++depth_ > limit) {
                --depth_;
                throw ScriptError("Stack overflow");
            }
        }
        ~CallDepthGuard() { --depth_; }
        CallDepthGuard(const CallDepthGuard&) = delete;
        CallDepthGuard& operator=(const CallDepthGuard&) = delete;

      private:
        int& depth_;
    };

    ScriptValue CallRoutine(const ScriptRoutine& routine, std::vector<ScriptValue>& args,
                            const std::vector<ExprPtr>& argExprs) {
        CallDepthGuard guard(callDepth_, limits_.maxCallDepth);
        std::vector<Slot> frame(routine.frameSize);
        for (size_t i = 0; i < routine.params.size(); ++i) {
            frame[i].type = routine.params[i].type.type;
            frame[i].value = ConvertTo(args[i], frame[i].type);
        }
        if (routine.isFunction) {
            frame[routine.resultSlot].type = routine.resultType.type;
            frame[routine.resultSlot].value = InitialValue(routine.resultType);
        }
        std::vector<Slot>* saved = frame_;
        frame_ = &frame;
        struct Restore {
            std::vector<Slot>*& target;
            std::vector<Slot>* value;
            ~Restore() { target = value; }
        } restore{frame_, saved};
        InitialiseDeclarations(routine.locals, frame);
        ExecList(routine.body->body);
        frame_ = saved;
        for (size_t i = 0; i < routine.params.size(); ++i) {
            if (routine.params[i].byReference) {
                Assign(*argExprs[i], frame[i].value);
            }
        }
        return routine.isFunction ? frame[routine.resultSlot].value : ScriptValue();
    }

    // ---- assignment

    // The stored value a target names, for changing an element in place; null when the target
    // is not a variable (an object's property, a function result).
    ScriptValue* Locate(const Expr& target, ScriptType* type) {
        if (target.kind == ExprKind::Name) {
            const Binding& b = static_cast<const NameExpr&>(target).binding;
            if (b.kind == BindingKind::Local || b.kind == BindingKind::Global ||
                b.kind == BindingKind::EngineVariable) {
                Slot& slot = SlotFor(b);
                if (type != nullptr) {
                    *type = slot.type;
                }
                return &slot.value;
            }
            return nullptr;
        }
        if (target.kind == ExprKind::Index) {
            auto& index = static_cast<const IndexExpr&>(target);
            ScriptValue position = Eval(*index.index);
            ScriptValue* base = Locate(*index.object, nullptr);
            if (base != nullptr && base->Kind() == ValueKind::Array) {
                ScriptArray& array = base->MutableArray();
                if (type != nullptr) {
                    *type = array.elementType;
                }
                return &array.items[ArrayPosition(array, position)];
            }
        }
        return nullptr;
    }

    void Assign(const Expr& target, const ScriptValue& value) {
        switch (target.kind) {
            case ExprKind::Name: {
                Slot& slot = SlotFor(static_cast<const NameExpr&>(target).binding);
                slot.value = ConvertTo(value, slot.type);
                return;
            }
            case ExprKind::Member: {
                auto& member = static_cast<const MemberExpr&>(target);
                ObjectOf(*member.object)->SetProperty(member.name, value);
                return;
            }
            case ExprKind::Index:
                AssignIndexed(static_cast<const IndexExpr&>(target), value);
                return;
            default:
                throw ScriptError("Left side cannot be assigned to");
        }
    }

    void AssignIndexed(const IndexExpr& target, const ScriptValue& value) {
        ScriptValue position = Eval(*target.index);
        ScriptType baseType = ScriptType::Variant;
        ScriptValue* base = Locate(*target.object, &baseType);
        if (base == nullptr || base->Kind() == ValueKind::Object || base->IsNil()) {
            ScriptValue object = base != nullptr ? *base : Eval(*target.object);
            ScriptObject* host = object.AsObject();
            if (host == nullptr) {
                throw ScriptError("Access to a nil object");
            }
            host->SetDefault(position, value);
            return;
        }
        if (base->Kind() == ValueKind::Array) {
            ScriptArray& array = base->MutableArray();
            array.items[ArrayPosition(array, position)] = ConvertTo(value, array.elementType);
            return;
        }
        if (base->IsString()) {
            std::string text = base->StringRef();
            std::string character = value.AsString();
            if (character.size() != 1) {
                throw ScriptError("Type mismatch");
            }
            text[StringPosition(text, position)] = character[0];
            *base = ScriptValue::FromString(std::move(text));
            return;
        }
        throw ScriptError("Array type required");
    }

    // ---- statements

    Flow ExecList(const std::vector<StmtPtr>& list) {
        for (const StmtPtr& stmt : list) {
            Flow flow = Exec(*stmt);
            if (flow != Flow::Normal) {
                return flow;
            }
        }
        return Flow::Normal;
    }

    Flow ExecOptional(const StmtPtr& stmt) { return stmt ? Exec(*stmt) : Flow::Normal; }

    Flow Exec(const Stmt& stmt) {
        Tick();
        CheckStack();
        position_ = stmt.position;
        switch (stmt.kind) {
            case StmtKind::Empty:
                return Flow::Normal;
            case StmtKind::Assign: {
                auto& s = static_cast<const AssignStmt&>(stmt);
                ScriptValue value = Eval(*s.value);
                position_ = stmt.position;
                Assign(*s.target, value);
                return Flow::Normal;
            }
            case StmtKind::Call: {
                auto& s = static_cast<const CallStmt&>(stmt);
                if (s.call->kind == ExprKind::Member) {
                    auto& member = static_cast<const MemberExpr&>(*s.call);
                    ObjectOf(*member.object)->CallMethod(member.name, {});
                } else {
                    Eval(*s.call);
                }
                return Flow::Normal;
            }
            case StmtKind::Compound:
                return ExecList(static_cast<const CompoundStmt&>(stmt).body);
            case StmtKind::If: {
                auto& s = static_cast<const IfStmt&>(stmt);
                return Eval(*s.condition).AsBool() ? ExecOptional(s.thenBranch)
                                                   : ExecOptional(s.elseBranch);
            }
            case StmtKind::Case:
                return ExecCase(static_cast<const CaseStmt&>(stmt));
            case StmtKind::For:
                return ExecFor(static_cast<const ForStmt&>(stmt));
            case StmtKind::While: {
                auto& s = static_cast<const WhileStmt&>(stmt);
                while (Eval(*s.condition).AsBool()) {
                    Tick();
                    Flow flow = ExecOptional(s.body);
                    if (flow == Flow::Break) {
                        break;
                    }
                    if (flow == Flow::Exit) {
                        return flow;
                    }
                }
                return Flow::Normal;
            }
            case StmtKind::Repeat: {
                auto& s = static_cast<const RepeatStmt&>(stmt);
                for (;;) {
                    Tick();
                    Flow flow = ExecList(s.body);
                    if (flow == Flow::Break) {
                        break;
                    }
                    if (flow == Flow::Exit) {
                        return flow;
                    }
                    if (Eval(*s.condition).AsBool()) {
                        break;
                    }
                }
                return Flow::Normal;
            }
            case StmtKind::Try:
                return ExecTry(static_cast<const TryStmt&>(stmt));
            case StmtKind::Raise: {
                auto& s = static_cast<const RaiseStmt&>(stmt);
                if (!s.message) {
                    if (handling_.empty()) {
                        throw ScriptError(
                            "Re-raising an exception only allowed in exception handler");
                    }
                    throw ScriptError(handling_.back());
                }
                throw ScriptError(Eval(*s.message).AsString());
            }
            case StmtKind::Exit: {
                auto& s = static_cast<const ExitStmt&>(stmt);
                if (s.value) {
                    Slot& result = (*frame_)[s.resultSlot];
                    result.value = ConvertTo(Eval(*s.value), result.type);
                }
                return Flow::Exit;
            }
            case StmtKind::Break:
                return Flow::Break;
            case StmtKind::Continue:
                return Flow::Continue;
        }
        return Flow::Normal;
    }

    Flow ExecCase(const CaseStmt& s) {
        ScriptValue selector = Eval(*s.selector);
        for (const CaseBranch& branch : s.branches) {
            for (const SetElement& label : branch.labels) {
                if (Matches(selector, label)) {
                    return ExecOptional(branch.body);
                }
            }
        }
        return ExecList(s.elseBody);
    }

    Flow ExecFor(const ForStmt& s) {
        ScriptValue first = Eval(*s.start);
        ScriptValue last = Eval(*s.stop);
        bool chars = first.IsString() && first.StringRef().size() == 1;
        auto ordinal = [chars](const ScriptValue& v) -> int64_t {
            if (chars && v.IsString() && v.StringRef().size() == 1) {
                return static_cast<unsigned char>(v.StringRef()[0]);
            }
            return v.AsInt();
        };
        int64_t from = ordinal(first);
        int64_t to = ordinal(last);
        if (s.downTo ? from < to : from > to) {
            return Flow::Normal;
        }
        for (int64_t i = from;; i += s.downTo ? -1 : 1) {
            Tick();
            Assign(*s.variable, chars
                                    ? ScriptValue::FromString(std::string(1, static_cast<char>(i)))
                                    : ScriptValue::FromInt(i));
            Flow flow = ExecOptional(s.body);
            if (flow == Flow::Break) {
                break;
            }
            if (flow == Flow::Exit) {
                return flow;
            }
            if (i == to) {
                break;
            }
        }
        return Flow::Normal;
    }

    Flow ExecTry(const TryStmt& s) {
        if (s.isFinally) {
            Flow flow;
            try {
                flow = ExecList(s.body);
            } catch (...) {
                ExecList(s.handler);
                throw;
            }
            Flow after = ExecList(s.handler);
            return after != Flow::Normal ? after : flow;
        }
        std::string message;
        try {
            return ExecList(s.body);
        } catch (const ScriptAbort&) {
            throw;
        } catch (const std::exception& error) {
            message = error.what();
        }
        handling_.push_back(message);
        struct Pop {
            std::vector<std::string>& stack;
            ~Pop() { stack.pop_back(); }
        } pop{handling_};
        if (s.handlers.empty()) {
            return ExecList(s.handler);
        }
        const ExceptionHandler& handler = s.handlers.front();
        if (handler.variable.empty()) {
            return ExecOptional(handler.body);
        }
        ScriptException exception(message);
        Slot& slot = SlotFor(handler.binding);
        slot.value = ScriptValue::FromObject(&exception);
        struct Forget {
            Slot& slot;
            ~Forget() { slot.value = ScriptValue::FromObject(nullptr); }
        } forget{slot};
        return ExecOptional(handler.body);
    }

    const ScriptProgram& program_;
    ScriptHost& host_;
    const RunLimits& limits_;
    SourcePosition& position_;
    std::chrono::steady_clock::time_point deadline_;
    uintptr_t stackBase_;
    uint64_t steps_ = 0;
    int callDepth_ = 0;
    std::vector<Slot> globals_;
    std::vector<Slot>* frame_ = nullptr;
    std::vector<std::string> handling_;
};

}  // namespace

ScriptValue InitialValue(const DeclaredType& type) {
    if (type.type != ScriptType::Array) {
        return DefaultValue(type.type);
    }
    ScriptArray array;
    array.elementType = type.elementType;
    if (type.hasBounds) {
        array.lowBound = type.low;
        array.items.assign(static_cast<size_t>(type.high - type.low + 1),
                           DefaultValue(type.elementType));
    }
    return ScriptValue::FromArray(std::move(array));
}

void ExecuteProgram(const ScriptProgram& program, ScriptHost& host, const RunLimits& limits,
                    SourcePosition& position) {
    Evaluator(program, host, limits, position).Run();
}

}  // namespace foldant
