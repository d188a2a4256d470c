// Scanner and recursive-descent parser of the formula language; emits reverse Polish
// code while it parses. Chains of binary operators are loops, so only real nesting
// (parentheses, calls, prefix operators, powers, blocks) uses the stack, and that is
// limited to kMaxNesting levels.
#include "formula/engine.h"
#include "formula/functions.h"

#include <algorithm>
#include <charconv>
#include <cstring>
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

enum class Tok : uint8_t {
    End,
    Number,
    Name,
    LParen,
    RParen,
    LBrace,
    RBrace,
    Comma,
    Semicolon,
    Plus,
    Minus,
    Star,
    Slash,
    Caret,
    Assign,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    And,
    Or,
    Not,
    If,
    Else
};

struct Token {
    Tok kind = Tok::End;
    uint32_t pos = 0;
    uint32_t len = 0;
    double value = 0;
};

struct Stop {};  // unwinds the parser after a syntax error has been recorded

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsDigit(c); }

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when it is invalid.
size_t Utf8Length(const unsigned char* p, size_t n) {
    const unsigned char c = p[0];
    size_t len;
    unsigned min;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else
        return 0;
    if (n < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool EqualsNoCase(std::string_view a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (x != b[i]) return false;
    }
    return true;
}

// Decimal exponent of an engineering prefix, or 0 with ok = false.
int PrefixExponent(std::string_view s, bool& ok) {
    ok = true;
    if (EqualsNoCase(s, "MEG")) return 6;
    if (s.size() == 1) {
        switch (s[0]) {
            case 'f':
            case 'F': return -15;
            case 'p':
            case 'P': return -12;
            case 'n':
            case 'N': return -9;
            case 'u':
            case 'U': return -6;
            case 'm':
            case 'M': return -3;
            case 'k':
            case 'K': return 3;
            case 'g':
            case 'G': return 9;
            case 't':
            case 'T': return 12;
            default: break;
        }
    }
    ok = false;
    return 0;
}

// The longest engineering prefix that s starts with ("meg" before "m"), or empty.
std::string_view LeadingPrefix(std::string_view s) {
    if (s.size() >= 3 && EqualsNoCase(s.substr(0, 3), "MEG")) return s.substr(0, 3);
    bool ok;
    if (!s.empty()) {
        PrefixExponent(s.substr(0, 1), ok);
        if (ok) return s.substr(0, 1);
    }
    return {};
}

class Parser {
public:
    explicit Parser(Program& program) : m_program(program), m_text(program.source) {}

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
    // ------------------------------------------------------------------ scanner
    std::string TokenText(const Token& t) const {
        std::string s(m_text.substr(t.pos, t.len));
        if (s.size() > 24) {
            size_t cut = 21;
            while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
            s = s.substr(0, cut) + "...";
        }
        return s;
    }

    std::string Describe(const Token& t) const {
        if (t.kind == Tok::End) return "the end of the formula";
        return "'" + TokenText(t) + "'";
    }

    void Next() {
        m_token = Scan(m_pos);
        m_pos = m_token.pos + m_token.len;
    }

    // Kind of the token after the current one, without consuming anything.
    Tok PeekKind() { return Scan(m_pos).kind; }

    Token Scan(size_t pos) {
        const size_t n = m_text.size();
        const unsigned char* s = reinterpret_cast<const unsigned char*>(m_text.data());
        while (pos < n && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n' || s[pos] == '\f' ||
                           s[pos] == '\v'))
            ++pos;
        Token t;
        t.pos = static_cast<uint32_t>(pos);
        t.len = 1;
        if (pos >= n) {
            t.kind = Tok::End;
            t.len = 0;
            return t;
        }
        const unsigned char c = s[pos];
        const unsigned char d = pos + 1 < n ? s[pos + 1] : 0;
        switch (c) {
            case '(': t.kind = Tok::LParen; return t;
            case ')': t.kind = Tok::RParen; return t;
            case '{': t.kind = Tok::LBrace; return t;
            case '}': t.kind = Tok::RBrace; return t;
            case ',': t.kind = Tok::Comma; return t;
            case ';': t.kind = Tok::Semicolon; return t;
            case '+': t.kind = Tok::Plus; return t;
            case '-': t.kind = Tok::Minus; return t;
            case '*': t.kind = Tok::Star; return t;
            case '/': t.kind = Tok::Slash; return t;
            case '^': t.kind = Tok::Caret; return t;
            case '=': t.kind = Tok::Equal; return t;
            case ':':
                if (d == '=') {
                    t.kind = Tok::Assign;
                    t.len = 2;
                    return t;
                }
                Fail(pos, "':' must be followed by '=' in an assignment (:=)");
            case '<':
                if (d == '=') {
                    t.kind = Tok::LessEqual;
                    t.len = 2;
                } else if (d == '>') {
                    t.kind = Tok::NotEqual;
                    t.len = 2;
                } else
                    t.kind = Tok::Less;
                return t;
            case '>':
                if (d == '=') {
                    t.kind = Tok::GreaterEqual;
                    t.len = 2;
                } else if (d == '<') {
                    t.kind = Tok::NotEqual;
                    t.len = 2;
                } else
                    t.kind = Tok::Greater;
                return t;
            default: break;
        }
        if (IsDigit(c) || (c == '.' && IsDigit(d))) return ScanNumber(pos);
        if (IsNameStart(c) || c >= 0x80) return ScanName(pos);
        if (c < 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            std::string what = "unexpected control character 0x";
            what += hex[c >> 4];
            what += hex[c & 15];
            Fail(pos, what);
        }
        Fail(pos, std::string("unexpected character '") + static_cast<char>(c) + "'");
    }

    // Length of the run of name characters (ASCII letters, digits, '_', and valid
    // UTF-8 characters) at pos.
    size_t NameRun(size_t pos) {
        const size_t n = m_text.size();
        const unsigned char* s = reinterpret_cast<const unsigned char*>(m_text.data());
        size_t i = pos;
        while (i < n) {
            if (IsNameChar(s[i])) {
                ++i;
            } else if (s[i] >= 0x80) {
                const size_t len = Utf8Length(s + i, n - i);
                if (len == 0) {
                    static const char hex[] = "0123456789ABCDEF";
                    std::string what = "invalid UTF-8 byte 0x";
                    what += hex[s[i] >> 4];
                    what += hex[s[i] & 15];
                    Fail(i, what);
                }
                i += len;
            } else {
                break;
            }
        }
        return i - pos;
    }

    Token ScanName(size_t pos) {
        Token t;
        t.pos = static_cast<uint32_t>(pos);
        t.len = static_cast<uint32_t>(NameRun(pos));
        const std::string_view name = m_text.substr(pos, t.len);
        t.kind = Tok::Name;
        if (name.size() <= 4) {
            if (EqualsNoCase(name, "AND"))
                t.kind = Tok::And;
            else if (EqualsNoCase(name, "OR"))
                t.kind = Tok::Or;
            else if (EqualsNoCase(name, "NOT"))
                t.kind = Tok::Not;
            else if (EqualsNoCase(name, "IF"))
                t.kind = Tok::If;
            else if (EqualsNoCase(name, "ELSE"))
                t.kind = Tok::Else;
        }
        return t;
    }

    Token ScanNumber(size_t pos) {
        const size_t n = m_text.size();
        const char* s = m_text.data();
        size_t i = pos;
        size_t intDigits = 0, leadingZeros = 0;
        bool seenNonZero = false, afterPoint = false;
        // Decimal magnitude estimate, to tell overflow from underflow.
        long magnitude = 0;
        for (; i < n; ++i) {
            const char c = s[i];
            if (IsDigit(static_cast<unsigned char>(c))) {
                if (c != '0') seenNonZero = true;
                if (!afterPoint) {
                    if (seenNonZero) ++intDigits;
                } else if (!seenNonZero) {
                    ++leadingZeros;
                }
            } else if (c == '.' && !afterPoint) {
                afterPoint = true;
            } else {
                break;
            }
        }
        const size_t mantissaEnd = i;
        long exponent = 0;
        if (i < n && (s[i] == 'e' || s[i] == 'E')) {
            size_t j = i + 1;
            bool negative = false;
            if (j < n && (s[j] == '+' || s[j] == '-')) {
                negative = s[j] == '-';
                ++j;
            }
            if (j < n && IsDigit(static_cast<unsigned char>(s[j]))) {
                for (; j < n && IsDigit(static_cast<unsigned char>(s[j])); ++j)
                    if (exponent < 1000000) exponent = exponent * 10 + (s[j] - '0');
                if (negative) exponent = -exponent;
                i = j;
            }
        }
        int prefix = 0;
        const size_t numberEnd = i;
        if (i < n && (IsNameStart(static_cast<unsigned char>(s[i])) || static_cast<unsigned char>(s[i]) >= 0x80 ||
                      s[i] == '.')) {
            const size_t run = s[i] == '.' ? 0 : NameRun(i);
            const std::string_view word = m_text.substr(i, run);
            bool ok = false;
            if (run > 0) prefix = PrefixExponent(word, ok);
            if (!ok) {
                size_t end = i + (run > 0 ? run : 1);
                while (end < n && (IsNameChar(static_cast<unsigned char>(s[end])) || s[end] == '.')) ++end;
                const std::string whole(m_text.substr(pos, end - pos));
                const std::string_view lead = LeadingPrefix(word);
                std::string what = "'" + whole.substr(0, 40) + "'" + kPlace + " is not a number";
                if (run == 0)
                    what += ": a decimal point cannot stand there";
                else if (!lead.empty()) {
                    const std::string number(m_text.substr(pos, std::min<size_t>(numberEnd - pos, 20)));
                    const std::string rest(word.substr(lead.size(), 20));
                    what += ": a prefix such as '" + std::string(lead) + "' ends a number";
                    const bool digitsOnly = rest.find_first_not_of("0123456789") == std::string::npos;
                    if (digitsOnly && number.find_first_not_of("0123456789") == std::string::npos)
                        what += " (write " + number + "." + rest + std::string(lead) + " for the value, or " + number +
                                std::string(lead) + "*" + rest + " for a product)";
                    else
                        what += " (write " + number + std::string(lead) + "*" + rest + " for a product)";
                } else
                    what += ": a name cannot follow a number without an operator (write " +
                            std::string(m_text.substr(pos, numberEnd - pos).substr(0, 20)) + "*" +
                            std::string(word.substr(0, 20)) + ")";
                Fail(pos, what);
            }
            i += run;
        }
        Token t;
        t.kind = Tok::Number;
        t.pos = static_cast<uint32_t>(pos);
        t.len = static_cast<uint32_t>(i - pos);
        if (prefix == 0) {
            const auto r = std::from_chars(s + pos, s + numberEnd, t.value);
            if (r.ec == std::errc() && r.ptr == s + numberEnd) return t;
            if (r.ec != std::errc::result_out_of_range)
                Fail(pos, "'" + std::string(m_text.substr(pos, std::min<size_t>(numberEnd - pos, 40))) + "'" + kPlace +
                              " is not a number");
        } else {
            // Shift the decimal exponent instead of multiplying, so 4.7u reads exactly as 4.7e-6.
            std::string buffer(s + pos, mantissaEnd - pos);
            buffer += 'e';
            buffer += std::to_string(exponent + prefix);
            const auto r = std::from_chars(buffer.data(), buffer.data() + buffer.size(), t.value);
            exponent += prefix;
            if (r.ec == std::errc() && r.ptr == buffer.data() + buffer.size()) return t;
            if (r.ec != std::errc::result_out_of_range)
                Fail(pos, "'" + TokenText(t) + "'" + kPlace + " is not a number");
        }
        magnitude =
            (seenNonZero ? static_cast<long>(intDigits) - static_cast<long>(leadingZeros) : -1000000) + exponent;
        if (magnitude <= 0) {
            t.value = 0;  // too small for a double: it underflows to zero
            return t;
        }
        Fail(pos, "the number '" + TokenText(t) + "'" + kPlace + " is too large for a double");
    }

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
            if (m_token.kind != Tok::LBrace)
                Fail(m_token.pos, "expected '{' to open the block but found " + Describe(m_token));
            const uint32_t open = m_token.pos;
            Next();
            std::vector<Statement> body;
            while (m_token.kind != Tok::RBrace) {
                if (m_token.kind == Tok::End)
                    Fail(open, "the block opened" + std::string(kPlace) + " has no closing '}'");
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
                        Fail(open,
                             "the '(' of '" + std::string(name.substr(0, 40)) + "'" + kPlace + " is never closed");
                    Fail(m_token.pos, "expected ',' or ')' in the arguments of '" + std::string(name.substr(0, 40)) +
                                          "' but found " + Describe(m_token));
                }
            }
            Next();
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
