#pragma once

// The syntax tree the parser builds and the evaluator walks. The binder fills in what each
// name refers to (the Binding of name and call nodes) between the two.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/script_lexer.h"
#include "script/script_value.h"

namespace foldant {

struct BuiltinFunction;
struct ScriptRoutine;

enum class BindingKind {
    Unresolved,
    Local,           // slot of the running routine's frame
    Global,          // script-level variable or constant
    EngineVariable,  // variable declared by the host before the run
    HostObject,      // object declared by the host
    Routine,         // procedure or function of the script
    External,        // function declared by the host from its declaration text
    Builtin,         // function of the global library
    Constant,        // constant of the global library
};

struct Binding {
    BindingKind kind = BindingKind::Unresolved;
    size_t index = 0;
    const ScriptRoutine* routine = nullptr;
    const BuiltinFunction* builtin = nullptr;
    ScriptValue constant;
};

struct DeclaredType {
    ScriptType type = ScriptType::Variant;
    // A type name the parser does not know; the binder looks it up among the host's classes.
    std::string className;
    SourcePosition position;
    // For static arrays: the bounds; an array without bounds starts empty.
    bool hasBounds = false;
    int64_t low = 0;
    int64_t high = -1;
    ScriptType elementType = ScriptType::Variant;
};

enum class ExprKind { Literal, Name, Call, Member, MethodCall, Index, Unary, Binary, Set };

struct Expr {
    Expr(ExprKind k, SourcePosition p) : kind(k), position(p) {}
    virtual ~Expr() = default;
    ExprKind kind;
    SourcePosition position;
    // Height of the tree below this node; the parser refuses trees too deep to walk safely.
    int depth = 1;
};
using ExprPtr = std::unique_ptr<Expr>;

struct LiteralExpr : Expr {
    LiteralExpr(SourcePosition p, ScriptValue v)
        : Expr(ExprKind::Literal, p), value(std::move(v)) {}
    ScriptValue value;
};

struct NameExpr : Expr {
    NameExpr(SourcePosition p, std::string n, std::string s)
        : Expr(ExprKind::Name, p), name(std::move(n)), spelling(std::move(s)) {}
    std::string name;  // lower case
    std::string spelling;
    Binding binding;
};

struct CallExpr : Expr {
    CallExpr(SourcePosition p, std::string n, std::string s)
        : Expr(ExprKind::Call, p), name(std::move(n)), spelling(std::move(s)) {}
    std::string name;
    std::string spelling;
    std::vector<ExprPtr> args;
    Binding binding;
};

struct MemberExpr : Expr {
    MemberExpr(SourcePosition p, ExprPtr o, std::string n)
        : Expr(ExprKind::Member, p), object(std::move(o)), name(std::move(n)) {}
    ExprPtr object;
    std::string name;
};

struct MethodCallExpr : Expr {
    MethodCallExpr(SourcePosition p, ExprPtr o, std::string n)
        : Expr(ExprKind::MethodCall, p), object(std::move(o)), name(std::move(n)) {}
    ExprPtr object;
    std::string name;
    std::vector<ExprPtr> args;
};

struct IndexExpr : Expr {
    IndexExpr(SourcePosition p, ExprPtr o) : Expr(ExprKind::Index, p), object(std::move(o)) {}
    ExprPtr object;
    ExprPtr index;
};

enum class UnaryOp { Negate, Plus, Not };

struct UnaryExpr : Expr {
    UnaryExpr(SourcePosition p, UnaryOp o, ExprPtr e)
        : Expr(ExprKind::Unary, p), op(o), operand(std::move(e)) {}
    UnaryOp op;
    ExprPtr operand;
};

enum class BinaryOp {
    Add,
    Subtract,
    Multiply,
    Divide,
    IntDivide,
    Modulo,
    And,
    Or,
    Xor,
    ShiftLeft,
    ShiftRight,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    In,
};

struct BinaryExpr : Expr {
    BinaryExpr(SourcePosition p, BinaryOp o, ExprPtr l, ExprPtr r)
        : Expr(ExprKind::Binary, p), op(o), left(std::move(l)), right(std::move(r)) {}
    BinaryOp op;
    ExprPtr left;
    ExprPtr right;
};

// One element of a set or open-array constructor, or one label of a case branch: a value or
// the range low..high.
struct SetElement {
    ExprPtr low;
    ExprPtr high;
};

struct SetExpr : Expr {
    explicit SetExpr(SourcePosition p) : Expr(ExprKind::Set, p) {}
    std::vector<SetElement> elements;
};

enum class StmtKind {
    Empty,
    Assign,
    Call,
    Compound,
    If,
    Case,
    For,
    While,
    Repeat,
    Try,
    Raise,
    Exit,
    Break,
    Continue,
};

struct Stmt {
    Stmt(StmtKind k, SourcePosition p) : kind(k), position(p) {}
    virtual ~Stmt() = default;
    StmtKind kind;
    SourcePosition position;
};
using StmtPtr = std::unique_ptr<Stmt>;

struct AssignStmt : Stmt {
    explicit AssignStmt(SourcePosition p) : Stmt(StmtKind::Assign, p) {}
    ExprPtr target;
    ExprPtr value;
};

struct CallStmt : Stmt {
    explicit CallStmt(SourcePosition p) : Stmt(StmtKind::Call, p) {}
    ExprPtr call;
};

struct CompoundStmt : Stmt {
    explicit CompoundStmt(SourcePosition p) : Stmt(StmtKind::Compound, p) {}
    std::vector<StmtPtr> body;
};

struct IfStmt : Stmt {
    explicit IfStmt(SourcePosition p) : Stmt(StmtKind::If, p) {}
    ExprPtr condition;
    StmtPtr thenBranch;
    StmtPtr elseBranch;
};

struct CaseBranch {
    std::vector<SetElement> labels;
    StmtPtr body;
};

struct CaseStmt : Stmt {
    explicit CaseStmt(SourcePosition p) : Stmt(StmtKind::Case, p) {}
    ExprPtr selector;
    std::vector<CaseBranch> branches;
    std::vector<StmtPtr> elseBody;
};

struct ForStmt : Stmt {
    explicit ForStmt(SourcePosition p) : Stmt(StmtKind::For, p) {}
    ExprPtr variable;
    ExprPtr start;
    ExprPtr stop;
    bool downTo = false;
    StmtPtr body;
};

struct WhileStmt : Stmt {
    explicit WhileStmt(SourcePosition p) : Stmt(StmtKind::While, p) {}
    ExprPtr condition;
    StmtPtr body;
};

struct RepeatStmt : Stmt {
    explicit RepeatStmt(SourcePosition p) : Stmt(StmtKind::Repeat, p) {}
    std::vector<StmtPtr> body;
    ExprPtr condition;
};

// "on E: Exception do ..." inside an except part. Every error the script can catch is an
// Exception, so the first handler always takes it.
struct ExceptionHandler {
    std::string variable;  // lower case; empty when the handler names none
    std::string typeName;
    SourcePosition position;
    StmtPtr body;
    Binding binding;  // the variable's slot, set by the binder
};

struct TryStmt : Stmt {
    explicit TryStmt(SourcePosition p) : Stmt(StmtKind::Try, p) {}
    std::vector<StmtPtr> body;
    bool isFinally = false;
    std::vector<ExceptionHandler> handlers;
    // The finally part, the except part without handlers, or the else part after them.
    std::vector<StmtPtr> handler;
};

struct RaiseStmt : Stmt {
    explicit RaiseStmt(SourcePosition p) : Stmt(StmtKind::Raise, p) {}
    ExprPtr message;  // absent: raise the exception being handled again
};

struct ExitStmt : Stmt {
    explicit ExitStmt(SourcePosition p) : Stmt(StmtKind::Exit, p) {}
    ExprPtr value;
    size_t resultSlot = 0;  // set by the binder when value is present
};

struct VarDecl {
    std::string name;  // lower case
    std::string spelling;
    SourcePosition position;
    DeclaredType type;
    ExprPtr initialValue;
    bool isConst = false;
    size_t slot = 0;  // set by the binder
};

struct Parameter {
    std::string name;
    std::string spelling;
    SourcePosition position;
    DeclaredType type;
    bool byReference = false;
};

struct ScriptRoutine {
    std::string name;  // lower case
    std::string spelling;
    SourcePosition position;
    bool isFunction = false;
    std::vector<Parameter> params;
    DeclaredType resultType;
    std::vector<VarDecl> locals;
    std::unique_ptr<CompoundStmt> body;  // null for a forward declaration or a host function
    // Frame layout, set by the binder: parameters, then the result, then the locals.
    size_t frameSize = 0;
    size_t resultSlot = 0;
};

struct ScriptProgram {
    std::vector<VarDecl> globals;
    // Slots after the globals for the variables of exception handlers in the main block.
    size_t handlerSlots = 0;
    std::vector<std::unique_ptr<ScriptRoutine>> routines;
    std::unique_ptr<CompoundStmt> main;
};

}  // namespace foldant
