#include "script/script_parser.h"

#include <algorithm>
#include <array>
#include <utility>

#include "script/script_text.h"

namespace foldant {
namespace {

// Deep enough for any script a person writes, shallow enough for the evaluator's recursion.
constexpr int kMaxDepth = 300;

struct TypeName {
    std::string_view name;
    ScriptType type;
};

constexpr std::array<TypeName, 23> kTypeNames = {{
    {"integer", ScriptType::Integer},   {"cardinal", ScriptType::Integer},
    {"longint", ScriptType::Integer},   {"int64", ScriptType::Integer},
    {"byte", ScriptType::Integer},      {"word", ScriptType::Integer},
    {"smallint", ScriptType::Integer},  {"shortint", ScriptType::Integer},
    {"longword", ScriptType::Integer},  {"double", ScriptType::Double},
    {"extended", ScriptType::Double},   {"single", ScriptType::Double},
    {"real", ScriptType::Double},       {"currency", ScriptType::Double},
    {"string", ScriptType::String},     {"ansistring", ScriptType::String},
    {"widestring", ScriptType::String}, {"char", ScriptType::Char},
    {"boolean", ScriptType::Boolean},   {"variant", ScriptType::Variant},
    {"tdatetime", ScriptType::Date},    {"tdate", ScriptType::Date},
    {"ttime", ScriptType::Date},
}};

class Parser {
  public:
    explicit Parser(std::string_view text) : tokens_(Tokenize(text)) {}

    std::unique_ptr<ScriptProgram> Program() {
        auto program = std::make_unique<ScriptProgram>();
        if (Current().IsKeyword("program")) {
            Next();
            ExpectIdentifier();
            Expect(";");
        }
        if (Current().IsKeyword("uses")) {
            Next();
            ExpectIdentifier();
            while (Accept(",")) {
                ExpectIdentifier();
            }
            Expect(";");
        }
        for (;;) {
            if (Current().IsKeyword("var")) {
                VarSection(program->globals);
            } else if (Current().IsKeyword("const")) {
                ConstSection(program->globals);
            } else if (Current().IsKeyword("procedure") || Current().IsKeyword("function")) {
                program->routines.push_back(RoutineDefinition());
            } else if (Current().IsKeyword("type")) {
                Fail(Current(), "Type declarations are not supported");
            } else {
                break;
            }
        }
        if (!Current().IsKeyword("begin")) {
            Fail(Current(), "'BEGIN' expected but " + Describe(Current()) + " found");
        }
        program->main = Compound();
        Expect(".");
        return program;
    }

    std::unique_ptr<ScriptRoutine> Declaration() {
        auto routine = Heading();
        Accept(";");
        if (Current().kind != TokenKind::EndOfText) {
            Fail(Current(), "End of declaration expected but " + Describe(Current()) + " found");
        }
        return routine;
    }

  private:
    const Token& Current() const { return tokens_[pos_]; }
    const Token& PeekToken(size_t ahead = 1) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    const Token& Next() {
        const Token& token = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) {
            ++pos_;
        }
        return token;
    }

    static std::string Describe(const Token& token) {
        switch (token.kind) {
            case TokenKind::EndOfText:
                return "end of file";
            case TokenKind::String:
                return "string constant";
            case TokenKind::Integer:
            case TokenKind::Real:
                return "number";
            case TokenKind::Identifier:
                return "identifier '" + token.spelling + "'";
            default:
                return "'" + AsciiUpper(token.spelling) + "'";
        }
    }

    static std::string AsciiUpper(std::string text) {
        for (char& c : text) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 32);
            }
        }
        return text;
    }

    [[noreturn]] static void Fail(const Token& at, const std::string& message) {
        throw ScriptCompileError(at.position, message);
    }

    bool Accept(std::string_view symbol) {
        if (Current().IsSymbol(symbol)) {
            Next();
            return true;
        }
        return false;
    }

    bool AcceptKeyword(std::string_view word) {
        if (Current().IsKeyword(word)) {
            Next();
            return true;
        }
        return false;
    }

    void Expect(std::string_view symbol) {
        if (!Accept(symbol)) {
            Fail(Current(),
                 "'" + std::string(symbol) + "' expected but " + Describe(Current()) + " found");
        }
    }

    void ExpectKeyword(std::string_view word) {
        if (!AcceptKeyword(word)) {
            Fail(Current(), "'" + AsciiUpper(std::string(word)) + "' expected but " +
                                Describe(Current()) + " found");
        }
    }

    const Token& ExpectIdentifier() {
        if (Current().kind != TokenKind::Identifier) {
            Fail(Current(), "Identifier expected but " + Describe(Current()) + " found");
        }
        return Next();
    }

    // Counts nesting on the way down so that hostile input cannot exhaust the stack.
    class DepthGuard {
      public:
        DepthGuard(Parser& parser) : parser_(parser) {
            if (++parser_.depth_ > kMaxDepth) {
                Fail(parser_.Current(), "Nesting too deep");
            }
        }
        ~DepthGuard() { --parser_.depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

      private:
        Parser& parser_;
    };

    template <typename Node>
    ExprPtr Finish(std::unique_ptr<Node> node, std::initializer_list<const Expr*> children) {
        int depth = 0;
        for (const Expr* child : children) {
            if (child != nullptr) {
                depth = std::max(depth, child->depth);
            }
        }
        node->depth = depth + 1;
        if (node->depth > kMaxDepth) {
            Fail(Current(), "Expression too complex");
        }
        return node;
    }

    // ---- declarations

    DeclaredType Type() {
        DeclaredType declared;
        declared.position = Current().position;
        if (AcceptKeyword("array")) {
            declared.type = ScriptType::Array;
            if (Accept("[")) {
                declared.hasBounds = true;
                declared.low = ConstantInteger();
                Expect("..");
                declared.high = ConstantInteger();
                Expect("]");
                if (declared.high < declared.low ||
                    static_cast<uint64_t>(declared.high) - static_cast<uint64_t>(declared.low) >=
                        1000000) {
                    Fail(Current(), "Invalid array bounds");
                }
            }
            ExpectKeyword("of");
            DeclaredType element = Type();
            if (element.type == ScriptType::Array) {
                Fail(Current(), "Arrays of arrays are not supported");
            }
            declared.elementType = element.type;
            return declared;
        }
        const Token& name = ExpectIdentifier();
        if (!LookUpTypeName(name.text, declared.type)) {
            declared.type = ScriptType::Object;
            declared.className = name.text;
        }
        return declared;
    }

    int64_t ConstantInteger() {
        bool negative = Accept("-");
        if (Current().kind != TokenKind::Integer) {
            Fail(Current(), "Constant expression expected");
        }
        uint64_t value = static_cast<uint64_t>(Next().integer);
        return static_cast<int64_t>(negative ? 0 - value : value);
    }

    void VarSection(std::vector<VarDecl>& out) {
        ExpectKeyword("var");
        do {
            std::vector<std::pair<const Token*, SourcePosition>> names;
            names.push_back({&ExpectIdentifier(), {}});
            while (Accept(",")) {
                names.push_back({&ExpectIdentifier(), {}});
            }
            Expect(":");
            DeclaredType type = Type();
            ExprPtr initial;
            if (Accept("=")) {
                if (names.size() != 1) {
                    Fail(Current(), "Only one variable can be initialized");
                }
                initial = Expression();
            }
            Expect(";");
            for (auto& entry : names) {
                VarDecl decl;
                decl.name = entry.first->text;
                decl.spelling = entry.first->spelling;
                decl.position = entry.first->position;
                decl.type = type;
                out.push_back(std::move(decl));
            }
            if (initial) {
                out.back().initialValue = std::move(initial);
            }
        } while (Current().kind == TokenKind::Identifier);
    }

    void ConstSection(std::vector<VarDecl>& out) {
        ExpectKeyword("const");
        do {
            const Token& name = ExpectIdentifier();
            VarDecl decl;
            decl.name = name.text;
            decl.spelling = name.spelling;
            decl.position = name.position;
            decl.isConst = true;
            if (Accept(":")) {
                decl.type = Type();
            }
            Expect("=");
            decl.initialValue = Expression();
            Expect(";");
            out.push_back(std::move(decl));
        } while (Current().kind == TokenKind::Identifier);
    }

    std::unique_ptr<ScriptRoutine> Heading() {
        auto routine = std::make_unique<ScriptRoutine>();
        routine->isFunction = Current().IsKeyword("function");
        if (!routine->isFunction && !Current().IsKeyword("procedure")) {
            Fail(Current(),
                 "'PROCEDURE' or 'FUNCTION' expected but " + Describe(Current()) + " found");
        }
        Next();
        const Token& name = ExpectIdentifier();
        routine->name = name.text;
        routine->spelling = name.spelling;
        routine->position = name.position;
        if (Accept("(")) {
            if (!Current().IsSymbol(")")) {
                do {
                    ParameterGroup(routine->params);
                } while (Accept(";"));
            }
            Expect(")");
        }
        if (routine->isFunction) {
            Expect(":");
            routine->resultType = Type();
        }
        return routine;
    }

    void ParameterGroup(std::vector<Parameter>& out) {
        bool byReference = false;
        if (AcceptKeyword("var")) {
            byReference = true;
        } else if (!AcceptKeyword("const") && Current().Is(TokenKind::Identifier, "out") &&
                   PeekToken().kind == TokenKind::Identifier) {
            Next();
            byReference = true;
        }
        std::vector<const Token*> names{&ExpectIdentifier()};
        while (Accept(",")) {
            names.push_back(&ExpectIdentifier());
        }
        DeclaredType type;
        if (Accept(":")) {
            type = Type();
        }
        for (const Token* name : names) {
            out.push_back({name->text, name->spelling, name->position, type, byReference});
        }
    }

    std::unique_ptr<ScriptRoutine> RoutineDefinition() {
        auto routine = Heading();
        Expect(";");
        if (AcceptKeyword("forward")) {
            Expect(";");
            return routine;
        }
        for (;;) {
            if (Current().IsKeyword("var")) {
                VarSection(routine->locals);
            } else if (Current().IsKeyword("const")) {
                ConstSection(routine->locals);
            } else {
                break;
            }
        }
        if (!Current().IsKeyword("begin")) {
            Fail(Current(), "'BEGIN' expected but " + Describe(Current()) + " found");
        }
        routine->body = Compound();
        Expect(";");
        return routine;
    }

    // ---- statements

    std::unique_ptr<CompoundStmt> Compound() {
        auto stmt = std::make_unique<CompoundStmt>(Current().position);
        ExpectKeyword("begin");
        stmt->body = StatementList();
        ExpectKeyword("end");
        return stmt;
    }

    bool EndsList() const {
        const Token& t = Current();
        return t.IsKeyword("end") || t.IsKeyword("until") || t.IsKeyword("except") ||
               t.IsKeyword("finally") || t.kind == TokenKind::EndOfText;
    }

    std::vector<StmtPtr> StatementList() {
        std::vector<StmtPtr> list;
        for (;;) {
            if (!EndsList() && !Current().IsSymbol(";")) {
                list.push_back(Statement());
            }
            if (!Accept(";")) {
                break;
            }
        }
        if (!EndsList()) {
            Fail(Current(), "';' expected but " + Describe(Current()) + " found");
        }
        return list;
    }

    StmtPtr Statement() {
        DepthGuard guard(*this);
        const Token& t = Current();
        if (t.IsKeyword("begin")) {
            return Compound();
        }
        if (t.IsKeyword("if")) {
            return If();
        }
        if (t.IsKeyword("case")) {
            return Case();
        }
        if (t.IsKeyword("for")) {
            return For();
        }
        if (t.IsKeyword("while")) {
            auto stmt = std::make_unique<WhileStmt>(Next().position);
            stmt->condition = Expression();
            ExpectKeyword("do");
            stmt->body = OptionalStatement();
            return stmt;
        }
        if (t.IsKeyword("repeat")) {
            auto stmt = std::make_unique<RepeatStmt>(Next().position);
            stmt->body = StatementList();
            ExpectKeyword("until");
            stmt->condition = Expression();
            return stmt;
        }
        if (t.IsKeyword("try")) {
            return Try();
        }
        if (t.IsKeyword("raise")) {
            return Raise();
        }
        if (t.kind == TokenKind::Identifier && !PeekToken().IsSymbol(":=") &&
            !PeekToken().IsSymbol(".") && !PeekToken().IsSymbol("[")) {
            if (t.text == "exit") {
                auto stmt = std::make_unique<ExitStmt>(Next().position);
                if (Accept("(")) {
                    if (!Current().IsSymbol(")")) {
                        stmt->value = Expression();
                    }
                    Expect(")");
                }
                return stmt;
            }
            if (t.text == "break" || t.text == "continue") {
                SourcePosition at = Next().position;
                if (Accept("(")) {
                    Expect(")");
                }
                return std::make_unique<Stmt>(
                    t.text == "break" ? StmtKind::Break : StmtKind::Continue, at);
            }
        }
        if (t.kind != TokenKind::Identifier) {
            if (t.IsKeyword("else") || t.IsSymbol(";") || EndsList()) {
                return std::make_unique<Stmt>(StmtKind::Empty, t.position);
            }
            Fail(t, "Statement expected but " + Describe(t) + " found");
        }
        SourcePosition at = t.position;
        ExprPtr target = Designator();
        if (Accept(":=")) {
            auto stmt = std::make_unique<AssignStmt>(at);
            stmt->target = std::move(target);
            stmt->value = Expression();
            return stmt;
        }
        if (target->kind == ExprKind::Index) {
            Fail(Current(), "':=' expected but " + Describe(Current()) + " found");
        }
        auto stmt = std::make_unique<CallStmt>(at);
        stmt->call = std::move(target);
        return stmt;
    }

    StmtPtr OptionalStatement() {
        if (Current().IsSymbol(";") || EndsList() || Current().IsKeyword("else")) {
            return std::make_unique<Stmt>(StmtKind::Empty, Current().position);
        }
        return Statement();
    }

    StmtPtr If() {
        auto stmt = std::make_unique<IfStmt>(Next().position);
        stmt->condition = Expression();
        ExpectKeyword("then");
        stmt->thenBranch = OptionalStatement();
        if (AcceptKeyword("else")) {
            stmt->elseBranch = OptionalStatement();
        }
        return stmt;
    }

    StmtPtr Case() {
        auto stmt = std::make_unique<CaseStmt>(Next().position);
        stmt->selector = Expression();
        ExpectKeyword("of");
        while (!Current().IsKeyword("else") && !Current().IsKeyword("end")) {
            CaseBranch branch;
            do {
                branch.labels.push_back(Element());
            } while (Accept(","));
            Expect(":");
            branch.body = OptionalStatement();
            stmt->branches.push_back(std::move(branch));
            if (!Accept(";")) {
                break;
            }
        }
        if (AcceptKeyword("else")) {
            stmt->elseBody = StatementList();
        }
        ExpectKeyword("end");
        return stmt;
    }

    StmtPtr For() {
        auto stmt = std::make_unique<ForStmt>(Next().position);
        const Token& name = ExpectIdentifier();
        stmt->variable = std::make_unique<NameExpr>(name.position, name.text, name.spelling);
        Expect(":=");
        stmt->start = Expression();
        if (AcceptKeyword("downto")) {
            stmt->downTo = true;
        } else {
            ExpectKeyword("to");
        }
        stmt->stop = Expression();
        ExpectKeyword("do");
        stmt->body = OptionalStatement();
        return stmt;
    }

    StmtPtr Try() {
        auto stmt = std::make_unique<TryStmt>(Next().position);
        stmt->body = StatementList();
        if (AcceptKeyword("finally")) {
            stmt->isFinally = true;
        } else {
            ExpectKeyword("except");
            if (Current().Is(TokenKind::Identifier, "on")) {
                Handlers(*stmt);
                ExpectKeyword("end");
                return stmt;
            }
        }
        stmt->handler = StatementList();
        ExpectKeyword("end");
        return stmt;
    }

    void Handlers(TryStmt& stmt) {
        while (Current().Is(TokenKind::Identifier, "on")) {
            ExceptionHandler handler;
            handler.position = Next().position;
            const Token& first = ExpectIdentifier();
            if (Accept(":")) {
                handler.variable = first.text;
                handler.typeName = ExpectIdentifier().text;
            } else {
                handler.typeName = first.text;
            }
            ExpectKeyword("do");
            handler.body = OptionalStatement();
            stmt.handlers.push_back(std::move(handler));
            if (!Accept(";")) {
                break;
            }
        }
        if (AcceptKeyword("else")) {
            stmt.handler = StatementList();
        }
    }

    // "raise Exception.Create('text')" is read as raising with that text.
    StmtPtr Raise() {
        auto stmt = std::make_unique<RaiseStmt>(Next().position);
        if (Current().IsSymbol(";") || EndsList() || Current().IsKeyword("else")) {
            return stmt;
        }
        ExprPtr value = Expression();
        if (value->kind == ExprKind::MethodCall) {
            auto& call = static_cast<MethodCallExpr&>(*value);
            if (EqualsIgnoringAsciiCase(call.name, "create") &&
                call.object->kind == ExprKind::Name && call.args.size() == 1) {
                stmt->message = std::move(call.args[0]);
                return stmt;
            }
        }
        stmt->message = std::move(value);
        return stmt;
    }

    // ---- expressions

    ExprPtr Expression() {
        DepthGuard guard(*this);
        ExprPtr left = SimpleExpression();
        static constexpr std::array<std::pair<std::string_view, BinaryOp>, 6> kRelations = {{
            {"=", BinaryOp::Equal},
            {"<>", BinaryOp::NotEqual},
            {"<", BinaryOp::Less},
            {"<=", BinaryOp::LessEqual},
            {">", BinaryOp::Greater},
            {">=", BinaryOp::GreaterEqual},
        }};
        SourcePosition at = Current().position;
        for (auto& [symbol, op] : kRelations) {
            if (Accept(symbol)) {
                ExprPtr right = SimpleExpression();
                return Binary(at, op, std::move(left), std::move(right));
            }
        }
        if (AcceptKeyword("in")) {
            ExprPtr right = SimpleExpression();
            return Binary(at, BinaryOp::In, std::move(left), std::move(right));
        }
        return left;
    }

    ExprPtr Binary(SourcePosition at, BinaryOp op, ExprPtr left, ExprPtr right) {
        const Expr* l = left.get();
        const Expr* r = right.get();
        return Finish(std::make_unique<BinaryExpr>(at, op, std::move(left), std::move(right)),
                      {l, r});
    }

    ExprPtr SimpleExpression() {
        ExprPtr left = Term();
        for (;;) {
            SourcePosition at = Current().position;
            BinaryOp op;
            if (Accept("+")) {
                op = BinaryOp::Add;
            } else if (Accept("-")) {
                op = BinaryOp::Subtract;
            } else if (AcceptKeyword("or")) {
                op = BinaryOp::Or;
            } else if (AcceptKeyword("xor")) {
                op = BinaryOp::Xor;
            } else {
                return left;
            }
            ExprPtr right = Term();
            left = Binary(at, op, std::move(left), std::move(right));
        }
    }

    ExprPtr Term() {
        ExprPtr left = Factor();
        for (;;) {
            SourcePosition at = Current().position;
            BinaryOp op;
            if (Accept("*")) {
                op = BinaryOp::Multiply;
            } else if (Accept("/")) {
                op = BinaryOp::Divide;
            } else if (AcceptKeyword("div")) {
                op = BinaryOp::IntDivide;
            } else if (AcceptKeyword("mod")) {
                op = BinaryOp::Modulo;
            } else if (AcceptKeyword("and")) {
                op = BinaryOp::And;
            } else if (AcceptKeyword("shl")) {
                op = BinaryOp::ShiftLeft;
            } else if (AcceptKeyword("shr")) {
                op = BinaryOp::ShiftRight;
            } else {
                return left;
            }
            ExprPtr right = Factor();
            left = Binary(at, op, std::move(left), std::move(right));
        }
    }

    ExprPtr Unary(UnaryOp op) {
        SourcePosition at = Next().position;
        ExprPtr operand = Factor();
        const Expr* child = operand.get();
        return Finish(std::make_unique<UnaryExpr>(at, op, std::move(operand)), {child});
    }

    ExprPtr Factor() {
        DepthGuard guard(*this);
        const Token& t = Current();
        switch (t.kind) {
            case TokenKind::Integer:
                Next();
                return std::make_unique<LiteralExpr>(t.position, ScriptValue::FromInt(t.integer));
            case TokenKind::Real:
                Next();
                return std::make_unique<LiteralExpr>(t.position, ScriptValue::FromDouble(t.real));
            case TokenKind::String:
                Next();
                return std::make_unique<LiteralExpr>(t.position, ScriptValue::FromString(t.text));
            case TokenKind::Identifier:
                return Designator();
            default:
                break;
        }
        if (t.IsKeyword("not")) {
            return Unary(UnaryOp::Not);
        }
        if (t.IsSymbol("-")) {
            return Unary(UnaryOp::Negate);
        }
        if (t.IsSymbol("+")) {
            return Unary(UnaryOp::Plus);
        }
        if (t.IsKeyword("nil")) {
            Next();
            return std::make_unique<LiteralExpr>(t.position, ScriptValue::FromObject(nullptr));
        }
        if (t.IsSymbol("(")) {
            Next();
            ExprPtr inner = Expression();
            Expect(")");
            return inner;
        }
        if (t.IsSymbol("[")) {
            return Set();
        }
        Fail(t, "Expression expected but " + Describe(t) + " found");
    }

    SetElement Element() {
        SetElement element;
        element.low = Expression();
        if (Accept("..")) {
            element.high = Expression();
        }
        return element;
    }

    ExprPtr Set() {
        auto set = std::make_unique<SetExpr>(Next().position);
        int depth = 0;
        if (!Current().IsSymbol("]")) {
            do {
                set->elements.push_back(Element());
                const SetElement& e = set->elements.back();
                depth = std::max({depth, e.low->depth, e.high ? e.high->depth : 0});
            } while (Accept(","));
        }
        Expect("]");
        set->depth = depth + 1;
        return set;
    }

    std::vector<ExprPtr> Arguments(int& depth) {
        std::vector<ExprPtr> args;
        if (!Current().IsSymbol(")")) {
            do {
                args.push_back(Expression());
                depth = std::max(depth, args.back()->depth);
            } while (Accept(","));
        }
        Expect(")");
        return args;
    }

    ExprPtr Designator() {
        const Token& name = ExpectIdentifier();
        ExprPtr result;
        if (Accept("(")) {
            auto call = std::make_unique<CallExpr>(name.position, name.text, name.spelling);
            int depth = 0;
            call->args = Arguments(depth);
            call->depth = depth + 1;
            result = std::move(call);
        } else {
            result = std::make_unique<NameExpr>(name.position, name.text, name.spelling);
        }
        for (;;) {
            SourcePosition at = Current().position;
            if (Accept(".")) {
                const Token& member = ExpectIdentifier();
                if (Accept("(")) {
                    auto call =
                        std::make_unique<MethodCallExpr>(at, std::move(result), member.spelling);
                    int depth = call->object->depth;
                    call->args = Arguments(depth);
                    call->depth = depth + 1;
                    result = std::move(call);
                } else {
                    const Expr* object = result.get();
                    result =
                        Finish(std::make_unique<MemberExpr>(at, std::move(result), member.spelling),
                               {object});
                }
            } else if (Accept("[")) {
                do {
                    auto index = std::make_unique<IndexExpr>(at, std::move(result));
                    index->index = Expression();
                    const Expr* object = index->object.get();
                    const Expr* i = index->index.get();
                    result = Finish(std::move(index), {object, i});
                } while (Accept(","));
                Expect("]");
            } else {
                break;
            }
            if (result->depth > kMaxDepth) {
                Fail(Current(), "Expression too complex");
            }
        }
        return result;
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

bool LookUpTypeName(std::string_view lowerCaseName, ScriptType& type) {
    for (const TypeName& entry : kTypeNames) {
        if (entry.name == lowerCaseName) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

std::unique_ptr<ScriptProgram> ParseProgram(std::string_view text) {
    return Parser(text).Program();
}

std::unique_ptr<ScriptRoutine> ParseDeclaration(std::string_view text) {
    return Parser(text).Declaration();
}

}  // namespace foldant
