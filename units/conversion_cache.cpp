// Compiled conversion formulas; see conversion_cache.h for what they cover and why
// their results equal the plug-ins' ones.
#include "units/conversion_cache.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tb_units {
namespace {

// The named constants with the values the formula engine gives them.
struct NamedConstant {
    const char* name;
    double value;
};
const NamedConstant kConstants[] = {
    {"MATH_PI", 3.141592653589793238462643383279502884},
    {"MATH_E", 2.718281828459045235360287471352662498},
    {"PHYS_E0", 8.8541878128e-12},
    {"PHYS_MU0", 1.25663706212e-6},
    {"PHYS_K", 1.380649e-23},
    {"PHYS_Q", 1.602176634e-19},
    {"PHYS_C", 299792458.0},
    {"PHYS_G", 6.67430e-11},
    {"PHYS_H", 6.62607015e-34},
    {"PHYS_T0", 273.15},
};

// Well inside the formula engine's nesting limit, even after the conversion wraps the
// two expressions into each other with its own parentheses.
constexpr int kMaxNesting = 40;
constexpr size_t kMaxStack = 64;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || IsDigit(c) ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Length of a number in the engine's form at the start of text; 0 when there is none.
// Digits glued to a prefix or a name are no plain number: the caller checks the byte
// after it.
size_t NumberLength(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) ++i;
    const size_t integerDigits = i;
    if (i < text.size() && text[i] == '.') {
        size_t j = i + 1;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j == i + 1) return 0;  // "5." is not in the engine's grammar: leave it to it
        i = j;
    } else if (integerDigits == 0) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const size_t digitsStart = j;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j == digitsStart) return 0;
        i = j;
    }
    return i;
}

bool ReadNumber(std::string_view text, double& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

class Compiler {
public:
    Compiler(std::string_view text, std::vector<Step>& out) : m_text(text), m_out(out) {}

    bool Run() {
        if (!Sum(0)) return false;
        SkipBlanks();
        return m_pos == m_text.size();
    }

private:
    void SkipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
    }
    bool Peek(char c) {
        SkipBlanks();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }
    bool Sum(int depth) {
        if (!Term(depth)) return false;
        for (;;) {
            if (Peek('+') || Peek('-')) {
                const Step::Op op = m_text[m_pos++] == '+' ? Step::Add : Step::Sub;
                if (!Term(depth)) return false;
                m_out.push_back({op, 0});
            } else {
                return true;
            }
        }
    }
    bool Term(int depth) {
        if (!Unary(depth)) return false;
        for (;;) {
            if (Peek('*') || Peek('/')) {
                const Step::Op op = m_text[m_pos++] == '*' ? Step::Mul : Step::Div;
                if (!Unary(depth)) return false;
                m_out.push_back({op, 0});
            } else {
                return true;
            }
        }
    }
    bool Unary(int depth) {
        if (depth > kMaxNesting) return false;
        if (Peek('-')) {
            ++m_pos;
            if (!Unary(depth + 1)) return false;
            m_out.push_back({Step::Negate, 0});
            return true;
        }
        if (Peek('+')) {
            ++m_pos;
            return Unary(depth + 1);
        }
        if (!Primary(depth)) return false;
        return !Peek('^');  // powers are left to the engine
    }
    bool Primary(int depth) {
        SkipBlanks();
        if (m_pos >= m_text.size()) return false;
        const std::string_view rest = m_text.substr(m_pos);
        if (rest[0] == '(') {
            ++m_pos;
            if (!Sum(depth + 1) || !Peek(')')) return false;
            ++m_pos;
            return true;
        }
        if (rest.substr(0, 2) == "%v") {
            m_pos += 2;
            m_out.push_back({Step::Value, 0});
            return true;
        }
        if (const size_t length = NumberLength(rest)) {
            double value = 0;
            if (!ReadNumber(rest.substr(0, length), value)) return false;
            if (length < rest.size() && (IsNameByte(rest[length]) || rest[length] == '.')) return false;
            m_pos += length;
            m_out.push_back({Step::Number, value});
            return true;
        }
        size_t length = 0;
        while (length < rest.size() && IsNameByte(rest[length])) ++length;
        if (length == 0 || IsDigit(rest[0])) return false;
        const std::string_view name = rest.substr(0, length);
        for (const NamedConstant& c : kConstants) {
            if (name.size() != std::strlen(c.name)) continue;
            bool same = true;
            for (size_t i = 0; i < name.size() && same; ++i) {
                char a = name[i];
                if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
                same = a == c.name[i];
            }
            if (!same) continue;
            m_pos += length;
            if (Peek('(')) return false;  // a call, not the constant
            m_out.push_back({Step::Number, c.value});
            return true;
        }
        return false;
    }

    std::string_view m_text;
    std::vector<Step>& m_out;
    size_t m_pos = 0;
};

size_t StackNeed(const std::vector<Step>& steps) {
    size_t depth = 0, most = 0;
    for (const Step& s : steps) {
        if (s.op == Step::Number || s.op == Step::Value) {
            most = std::max(most, ++depth);
        } else if (s.op != Step::Negate) {
            --depth;
        }
    }
    return most;
}

}  // namespace

bool CompileExpression(std::string_view expression, std::vector<Step>& out) {
    const size_t start = out.size();
    Compiler compiler(expression, out);
    if (compiler.Run()) return true;
    out.resize(start);
    return false;
}

bool ParsePlainNumber(std::string_view text, double& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (NumberLength(text) != text.size() || text.empty()) return false;
    if (!ReadNumber(text, value)) return false;
    if (negative) value = -value;
    return true;
}

bool Run(const std::vector<Step>& steps, double value, double& result) {
    double stack[kMaxStack];
    size_t top = 0;
    for (const Step& s : steps) {
        switch (s.op) {
            case Step::Number: stack[top++] = s.number; continue;
            case Step::Value: stack[top++] = value; continue;
            case Step::Negate: stack[top - 1] = -stack[top - 1]; continue;
            default: break;
        }
        const double b = stack[--top];
        double& a = stack[top - 1];
        switch (s.op) {
            case Step::Add: a = a + b; break;
            case Step::Sub: a = a - b; break;
            case Step::Mul: a = a * b; break;
            default:
                if (b == 0) return false;
                a = a / b;
                break;
        }
        if (!std::isfinite(a)) return false;
    }
    if (top != 1) return false;
    result = stack[0];
    return true;
}

void AppendResult(std::string& out, double value) {
    if (value == 0) value = 0;
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
    out.append(buffer, r.ptr);
}

const Compiled& ConversionCache::Get(bool fromIsBase, const std::string& toBase, bool toIsBase,
                                     const std::string& fromBase) {
    m_key.clear();
    if (fromIsBase)
        m_key += 'B';
    else
        (m_key += 'E') += toBase;
    m_key += '\0';
    if (toIsBase)
        m_key += 'B';
    else
        (m_key += 'E') += fromBase;
    auto found = m_entries.find(m_key);
    if (found != m_entries.end()) return found->second;
    if (m_entries.size() >= kMaxEntries) m_entries.clear();

    Compiled compiled;
    std::vector<Step> toBaseSteps, fromBaseSteps;
    bool ok = true;
    if (fromIsBase)
        toBaseSteps.push_back({Step::Value, 0});
    else
        ok = CompileExpression(toBase, toBaseSteps);
    if (ok) {
        if (toIsBase)
            fromBaseSteps.push_back({Step::Value, 0});
        else
            ok = CompileExpression(fromBase, fromBaseSteps);
    }
    if (ok) {
        // The value goes into the to-base expression, which goes into the from-base one.
        for (const Step& s : fromBaseSteps) {
            if (s.op == Step::Value)
                compiled.steps.insert(compiled.steps.end(), toBaseSteps.begin(), toBaseSteps.end());
            else
                compiled.steps.push_back(s);
        }
        compiled.usable = StackNeed(compiled.steps) <= kMaxStack && compiled.steps.size() < 100000;
    }
    if (!compiled.usable) compiled.steps.clear();
    return m_entries.emplace(m_key, std::move(compiled)).first->second;
}

}  // namespace tb_units
