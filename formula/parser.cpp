// Recursive-descent parser of the formula language (tokens from formula/scanner.h);
// emits reverse Polish code while it parses. Chains of binary operators are loops, so only real nesting
// (parentheses, calls, prefix operators, powers, blocks) uses the stack, and that is
// limited to kMaxNesting levels.
#include "formula/engine.h"
#include "formula/functions.h"
#include "formula/scanner.h"

#include <algorithm>
#include <unordered_map>

namespace formula {

void Program::Clear() {
    code.clear();
    statements.clear();
    branches.clear();
    firstTop = topCount = 0;
    variables.clear();
    assigned.clear();
    kind = -1;
    errors.clear();
    source.clear();
}

Diagnostic MakeDiagnostic(std::string_view text, size_t pos, const std::string& what) {
    if (pos > text.size()) pos = text.size();
    int line = 1, column = 1;
    bool multiline = text.find('\n') != std::string_view::npos;
    for (size_t i = 0; i < pos; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;  // count characters, not the continuation bytes of UTF-8
        }
    }
    Diagnostic d;
    d.line = line;
    d.column = column;
    std::string place = multiline ? " at line " + std::to_string(line) + ", column " + std::to_string(column)
                                  : " at column " + std::to_string(column);
    // The place goes where the message marks it, else at its end.
    const size_t mark = what.find(kPlaceMark);
    if (mark == std::string::npos)
        d.message = what + place;
    else
        d.message = what.substr(0, mark) + place + what.substr(mark + 1);
    return d;
}

namespace {

struct Stop {};  // unwinds the parser after a syntax error has been recorded

class Parser {
public:
    explicit Parser(Program& program) : m_program(program), m_text(program.source), m_scanner(m_text) {}

    void Run() {
        Next();
        if (m_token.kind == Tok::End) {
            m_program.errors.push_back({"the formula is empty", 0, 0});
            throw Stop();
        }
        std::vector<Statement> top;
        bool separated = false;
        while (m_token.kind != Tok::End) {
            if (m_token.kind == Tok::Semicolon) {
                separated = true;
                Next();
                continue;
            }
            if (!top.empty()) {
                // Only assignments and blocks may follow a statement; anything else
                // means an operator is missing inside it.
                const bool startsStatement =
                    m_token.kind == Tok::If || (m_token.kind == Tok::Name && PeekKind() == Tok::Assign);
                if (top.back().kind == Statement::Expression && startsStatement)
                    Fail(top.back().pos, "the expression" + std::string(kPlace) +
                                             " cannot stand beside other statements; assign its value (NAME := ...)");
                if (!startsStatement) {
                    if (m_token.kind == Tok::Else) Fail(m_token.pos, "'ELSE' without a preceding 'IF'");
                    if (separated || top.back().kind == Statement::If)
                        Fail(m_token.pos, "only assignments and conditional blocks can follow one another, found " +
                                              Describe(m_token));
                    MissingOperator();
                }
            }
            separated = false;
            top.push_back(ParseStatement(false));
        }
        if (top.empty()) {
            m_program.errors.push_back({"the formula is empty", 0, 0});
            throw Stop();
        }
        const bool single = top.size() == 1 && top[0].kind != Statement::If;
        m_program.firstTop = static_cast<uint32_t>(m_program.statements.size());
        m_program.topCount = static_cast<uint32_t>(top.size());
        m_program.statements.insert(m_program.statements.end(), top.begin(), top.end());
        if (single)
            m_program.kind = top[0].kind == Statement::Assignment ? 1 : 0;
        else
            m_program.kind = 2;
    }

    void Error(size_t pos, const std::string& what) {
        if (m_program.errors.size() >= static_cast<size_t>(kMaxErrors)) throw Stop();
        m_program.errors.push_back(MakeDiagnostic(m_text, pos, what));
        if (m_program.errors.size() >= static_cast<size_t>(kMaxErrors)) {
            m_program.errors.push_back({"too many errors; the rest of the formula was not checked", 0, 0});
            throw Stop();
        }
    }

    [[noreturn]] void Fail(size_t pos, const std::string& what) {
        Error(pos, what);
        throw Stop();
    }

private:
    // ------------------------------------------------------------------ tokens
    std::string TokenText(const Token& t) const { return m_scanner.TokenText(t); }
    std::string Describe(const Token& t) const { return m_scanner.Describe(t); }

    // The token at pos; text that is no token ends the parse with the scanner's error.
    Token Scan(size_t pos) {
        const Token t = m_scanner.Scan(pos);
        if (t.kind == Tok::Invalid) Fail(m_scanner.ErrorPos(), m_scanner.ErrorMessage());
        return t;
    }

    void Next() {
        m_token = Scan(m_pos);
        m_pos = m_token.pos + m_token.len;
    }

    // Kind of the token after the current one, without consuming anything.
    Tok PeekKind() { return Scan(m_pos).kind; }

    // ------------------------------------------------------------------ statements
    struct Depth {
        Depth(Parser& p, size_t pos) : m_parser(p) {
            if (++p.m_depth > kMaxNesting)
                p.Fail(pos, "the formula is nested deeper than " + std::to_string(kMaxNesting) + " levels");
        }
        ~Depth() { --m_parser.m_depth; }
        Parser& m_parser;
    };

    void Expect(Tok kind, const char* text) {
        if (m_token.kind != kind) {
            Fail(m_token.pos, std::string("expected '") + text + "' but found " + Describe(m_token));
        }
        Next();
    }

    [[noreturn]] void MissingOperator() {
        if (m_token.kind == Tok::Number || m_token.kind == Tok::Name || m_token.kind == Tok::LParen ||
            m_token.kind == Tok::Not || m_token.kind == Tok::If)
            Fail(m_token.pos, "an operator is missing before " + Describe(m_token));
        Fail(m_token.pos, "unexpected " + Describe(m_token));
    }

    Statement ParseStatement(bool inBlock) {
        Statement st;
        st.pos = m_token.pos;
        if (m_token.kind == Tok::If) return ParseIf();
        if (m_token.kind == Tok::Else) Fail(m_token.pos, "'ELSE' without a preceding 'IF'");
        if (m_token.kind == Tok::Name && PeekKind() == Tok::Assign) {
            st.kind = Statement::Assignment;
            const std::string_view name = m_text.substr(m_token.pos, m_token.len);
            if (FindFunction(name) >= 0)
                Error(m_token.pos, "'" + std::string(name) + "'" + kPlace + " is a function; it cannot be assigned to");
            else if (FindConstant(name) >= 0)
                Error(m_token.pos, "'" + std::string(name) + "'" + kPlace + " is a constant; it cannot be assigned to");
            st.target = VariableIndex(name);
            NoteAssigned(st.target);
            Next();
            Next();
            st.codeBegin = CodeSize();
            ParseOr();
            st.codeEnd = CodeSize();
            return st;
        }
        if (inBlock) {
            Fail(m_token.pos, "a conditional block holds assignments only (NAME := value), found " + Describe(m_token));
        }
        st.kind = Statement::Expression;
        st.codeBegin = CodeSize();
        ParseOr();
        st.codeEnd = CodeSize();
        if (m_token.kind == Tok::Assign) Fail(m_token.pos, "only a variable name can stand left of ':='");
        if (m_token.kind == Tok::RParen) Fail(m_token.pos, "unexpected ')': there is no '(' open");
        return st;
    }

    Statement ParseIf() {
        Depth depth(*this, m_token.pos);
        Statement st;
        st.kind = Statement::If;
        st.pos = m_token.pos;
        std::vector<Branch> branches;
        bool more = true;
        bool conditional = true;
        while (more) {
            Branch b;
            b.pos = m_token.pos;
            b.hasCondition = conditional;
            Next();  // IF, or ELSE of a final branch
            if (conditional) {
                Expect(Tok::LParen, "(");
                b.condBegin = CodeSize();
                ParseOr();
                b.condEnd = CodeSize();
                if (m_token.kind != Tok::RParen)
                    Fail(m_token.pos, "expected ')' to close the condition but found " + Describe(m_token));
                Next();
            }
            ParseBlock(b);
            branches.push_back(b);
            more = false;
            if (conditional && m_token.kind == Tok::Else) {
                more = true;
                if (PeekKind() == Tok::If) {
                    Next();  // ELSE; the IF is consumed at the top of the loop
                    conditional = true;
                } else {
                    conditional = false;
                }
            }
        }
        st.firstBranch = static_cast<uint32_t>(m_program.branches.size());
        st.branchCount = static_cast<uint32_t>(branches.size());
        m_program.branches.insert(m_program.branches.end(), branches.begin(), branches.end());
        return st;
    }

    // "{" statements "}" of one branch; its statements follow those already stored.
    void ParseBlock(Branch& b) {
        if (m_token.kind != Tok::LBrace)
            Fail(m_token.pos, "expected '{' to open the block but found " + Describe(m_token));
        const uint32_t open = m_token.pos;
        Next();
        std::vector<Statement> body;
        while (m_token.kind != Tok::RBrace) {
            if (m_token.kind == Tok::End) Fail(open, "the block opened" + std::string(kPlace) + " has no closing '}'");
            if (m_token.kind == Tok::Semicolon) {
                Next();
                continue;
            }
            if (!body.empty() && body.back().kind == Statement::Assignment && m_token.kind != Tok::If &&
                m_token.kind != Tok::Else && !(m_token.kind == Tok::Name && PeekKind() == Tok::Assign))
                MissingOperator();
            body.push_back(ParseStatement(true));
        }
        Next();
        b.firstStatement = static_cast<uint32_t>(m_program.statements.size());
        b.statementCount = static_cast<uint32_t>(body.size());
        m_program.statements.insert(m_program.statements.end(), body.begin(), body.end());
    }

    // ------------------------------------------------------------------ expressions
    uint32_t CodeSize() const { return static_cast<uint32_t>(m_program.code.size()); }

    void Emit(OpCode op, uint32_t pos, uint32_t arg = 0, double value = 0, uint8_t fn = 0) {
        Instruction in;
        in.op = op;
        in.fn = fn;
        in.pos = pos;
        in.arg = arg;
        in.value = value;
        m_program.code.push_back(in);
    }

    void ParseOr() {
        Depth depth(*this, m_token.pos);
        ParseAnd();
        while (m_token.kind == Tok::Or) {
            const uint32_t pos = m_token.pos;
            Next();
            ParseAnd();
            Emit(OpCode::Or, pos);
        }
    }

    void ParseAnd() {
        ParseNot();
        while (m_token.kind == Tok::And) {
            const uint32_t pos = m_token.pos;
            Next();
            ParseNot();
            Emit(OpCode::And, pos);
        }
    }

    void ParseNot() {
        if (m_token.kind == Tok::Not) {
            Depth depth(*this, m_token.pos);
            const uint32_t pos = m_token.pos;
            Next();
            ParseNot();
            Emit(OpCode::Not, pos);
            return;
        }
        ParseCompare();
    }

    static bool CompareOp(Tok t, OpCode& op) {
        switch (t) {
            case Tok::Equal: op = OpCode::Equal; return true;
            case Tok::NotEqual: op = OpCode::NotEqual; return true;
            case Tok::Less: op = OpCode::Less; return true;
            case Tok::LessEqual: op = OpCode::LessEqual; return true;
            case Tok::Greater: op = OpCode::Greater; return true;
            case Tok::GreaterEqual: op = OpCode::GreaterEqual; return true;
            default: return false;
        }
    }

    void ParseCompare() {
        ParseAdditive();
        OpCode op;
        while (CompareOp(m_token.kind, op)) {
            const uint32_t pos = m_token.pos;
            Next();
            ParseAdditive();
            Emit(op, pos);
        }
    }

    void ParseAdditive() {
        ParseTerm();
        while (m_token.kind == Tok::Plus || m_token.kind == Tok::Minus) {
            const OpCode op = m_token.kind == Tok::Plus ? OpCode::Add : OpCode::Sub;
            const uint32_t pos = m_token.pos;
            Next();
            ParseTerm();
            Emit(op, pos);
        }
    }

    void ParseTerm() {
        ParseUnary();
        while (m_token.kind == Tok::Star || m_token.kind == Tok::Slash) {
            const OpCode op = m_token.kind == Tok::Star ? OpCode::Mul : OpCode::Div;
            const uint32_t pos = m_token.pos;
            Next();
            ParseUnary();
            Emit(op, pos);
        }
    }

    // Unary minus binds looser than '^': -2^2 is -(2^2) = -4.
    void ParseUnary() {
        if (m_token.kind == Tok::Minus || m_token.kind == Tok::Plus) {
            Depth depth(*this, m_token.pos);
            const bool negate = m_token.kind == Tok::Minus;
            const uint32_t pos = m_token.pos;
            Next();
            ParseUnary();
            if (negate) Emit(OpCode::Negate, pos);
            return;
        }
        ParsePower();
    }

    // '^' is right-associative: 2^3^2 is 2^(3^2); its exponent may carry a sign (2^-1).
    void ParsePower() {
        ParsePrimary();
        if (m_token.kind == Tok::Caret) {
            Depth depth(*this, m_token.pos);
            const uint32_t pos = m_token.pos;
            Next();
            ParseUnary();
            Emit(OpCode::Pow, pos);
        }
    }

    void ParsePrimary() {
        const Token t = m_token;
        switch (t.kind) {
            case Tok::Number:
                Emit(OpCode::Number, t.pos, 0, t.value);
                Next();
                return;
            case Tok::LParen: {
                Next();
                ParseOr();
                if (m_token.kind != Tok::RParen)
                    Fail(m_token.kind == Tok::End ? t.pos : m_token.pos,
                         m_token.kind == Tok::End ? std::string("the '('") + kPlace + " is never closed"
                                                  : "expected ')' but found " + Describe(m_token));
                Next();
                return;
            }
            case Tok::Name: ParseName(); return;
            case Tok::End: Fail(t.pos, "the formula ends where a value is expected");
            default: Fail(t.pos, "expected a value but found " + Describe(t));
        }
    }

    void ParseName() {
        const Token t = m_token;
        const std::string_view name = m_text.substr(t.pos, t.len);
        Next();
        const int fn = FindFunction(name);
        const int constant = FindConstant(name);
        if (m_token.kind == Tok::LParen) {
            ParseCall(t, fn, constant);
            return;
        }
        if (fn >= 0) {
            Error(t.pos, "the function '" + std::string(name) + "'" + kPlace +
                             " needs its arguments in parentheses: " + std::string(name) + "( ... )");
            Emit(OpCode::Number, t.pos);
            return;
        }
        if (constant >= 0) {
            Emit(OpCode::Constant, t.pos, 0, GetConstant(constant).value, static_cast<uint8_t>(constant));
            return;
        }
        Emit(OpCode::Variable, t.pos, VariableIndex(name));
    }

    // The call of the name token t (function fn, or constant when it names one) with the
    // current token on its '('. An unknown function still has its arguments checked.
    void ParseCall(const Token& t, int fn, int constant) {
        const std::string_view name = m_text.substr(t.pos, t.len);
        const uint32_t argc = ParseArguments(name);
        if (fn < 0) {
            if (constant >= 0)
                Error(t.pos, "'" + std::string(name) + "'" + kPlace + " is a constant, not a function");
            else
                Error(t.pos, "unknown function '" + TokenText(t) + "'");
            Emit(OpCode::Number, t.pos);
            return;
        }
        const FunctionInfo& info = GetFunction(fn);
        if (static_cast<int>(argc) < info.minArgs || (info.maxArgs >= 0 && static_cast<int>(argc) > info.maxArgs)) {
            std::string what = "'" + std::string(info.name) + "'" + kPlace + " takes ";
            if (info.maxArgs < 0)
                what += "at least " + std::to_string(info.minArgs);
            else
                what += std::to_string(info.minArgs);
            what += info.minArgs == 1 && info.maxArgs == 1 ? " argument" : " arguments";
            what += ", not " + std::to_string(argc);
            Error(t.pos, what);
        }
        Emit(OpCode::Call, t.pos, argc, 0, static_cast<uint8_t>(fn));
    }

    // "(" [ expression { "," expression } ] ")" of a call to name; the argument count.
    uint32_t ParseArguments(std::string_view name) {
        const uint32_t open = m_token.pos;
        Next();
        uint32_t argc = 0;
        if (m_token.kind != Tok::RParen) {
            for (;;) {
                ParseOr();
                ++argc;
                if (m_token.kind == Tok::Comma) {
                    Next();
                    continue;
                }
                if (m_token.kind == Tok::RParen) break;
                if (m_token.kind == Tok::End)
                    Fail(open, "the '(' of '" + std::string(name.substr(0, 40)) + "'" + kPlace + " is never closed");
                Fail(m_token.pos, "expected ',' or ')' in the arguments of '" + std::string(name.substr(0, 40)) +
                                      "' but found " + Describe(m_token));
            }
        }
        Next();
        return argc;
    }

    uint32_t VariableIndex(std::string_view name) {
        std::vector<std::string>& vars = m_program.variables;
        if (vars.size() < 16) {
            for (size_t i = 0; i < vars.size(); ++i)
                if (vars[i] == name) return static_cast<uint32_t>(i);
        } else {
            if (m_index.empty())
                for (size_t i = 0; i < vars.size(); ++i) m_index.emplace(vars[i], static_cast<uint32_t>(i));
            const auto it = m_index.find(std::string(name));
            if (it != m_index.end()) return it->second;
        }
        vars.emplace_back(name);
        const uint32_t index = static_cast<uint32_t>(vars.size() - 1);
        if (!m_index.empty()) m_index.emplace(vars.back(), index);
        return index;
    }

    void NoteAssigned(uint32_t index) {
        if (m_isAssigned.size() <= index) m_isAssigned.resize(index + 1, 0);
        if (m_isAssigned[index]) return;
        m_isAssigned[index] = 1;
        m_program.assigned.push_back(index);
    }

    Program& m_program;
    std::string_view m_text;
    Scanner m_scanner;
    Token m_token;
    size_t m_pos = 0;
    int m_depth = -1;  // the formula itself is not a nesting level
    std::unordered_map<std::string, uint32_t> m_index;
    std::vector<char> m_isAssigned;
};

}  // namespace

bool Parse(std::string_view text, Program& program) {
    program.Clear();
    if (text.size() >= 0x7FFFFFFFu) {
        program.errors.push_back({"the formula is longer than 2 GB", 0, 0});
        return false;
    }
    program.source.assign(text.data(), text.size());
    // About an instruction per two bytes; long formulas grow the code as they go.
    program.code.reserve(std::min<size_t>(text.size() / 2 + 4, 256));
    Parser parser(program);
    try {
        parser.Run();
    } catch (const Stop&) {}
    if (!program.errors.empty()) {
        program.kind = -1;
        return false;
    }
    return true;
}

}  // namespace formula
