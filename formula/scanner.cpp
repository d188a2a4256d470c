// The formula scanner: blanks are skipped, keywords are names spelled AND, OR, NOT, IF
// or ELSE in any case, and a number may end in an engineering prefix (4.7u is 4.7e-6,
// read exactly by shifting the decimal exponent). Names take ASCII letters, digits,
// '_' and any valid UTF-8 character.
#include "formula/scanner.h"
#include "formula/engine.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace formula {

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsDigit(c); }

std::string HexByte(unsigned char c) {
    static const char hex[] = "0123456789ABCDEF";
    return std::string{hex[c >> 4], hex[c & 15]};
}

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

Tok KeywordKind(std::string_view name) {
    if (name.size() > 4) return Tok::Name;
    if (EqualsNoCase(name, "AND")) return Tok::And;
    if (EqualsNoCase(name, "OR")) return Tok::Or;
    if (EqualsNoCase(name, "NOT")) return Tok::Not;
    if (EqualsNoCase(name, "IF")) return Tok::If;
    if (EqualsNoCase(name, "ELSE")) return Tok::Else;
    return Tok::Name;
}

}  // namespace

std::string Scanner::TokenText(const Token& t) const {
    std::string s(m_text.substr(t.pos, t.len));
    if (s.size() > 24) {
        size_t cut = 21;
        while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
        s = s.substr(0, cut) + "...";
    }
    return s;
}

std::string Scanner::Describe(const Token& t) const {
    if (t.kind == Tok::End) return "the end of the formula";
    return "'" + TokenText(t) + "'";
}

Token Scanner::Reject(size_t pos, std::string what) {
    m_errorPos = pos;
    m_error = std::move(what);
    return Failed();
}

Token Scanner::Failed() const {
    Token t;
    t.kind = Tok::Invalid;
    t.pos = static_cast<uint32_t>(m_errorPos);
    t.len = 0;
    return t;
}

Token Scanner::Scan(size_t pos) {
    const size_t n = m_text.size();
    const unsigned char* s = reinterpret_cast<const unsigned char*>(m_text.data());
    while (pos < n && IsBlank(s[pos])) ++pos;
    if (pos >= n) {
        Token t;
        t.kind = Tok::End;
        t.pos = static_cast<uint32_t>(pos);
        t.len = 0;
        return t;
    }
    bool matched = false;
    const Token op = ScanOperator(pos, matched);
    if (matched) return op;
    const unsigned char c = s[pos];
    const unsigned char d = pos + 1 < n ? s[pos + 1] : 0;
    if (IsDigit(c) || (c == '.' && IsDigit(d))) return ScanNumber(pos);
    if (IsNameStart(c) || c >= 0x80) return ScanName(pos);
    if (c < 0x20 || c == 0x7F) return Reject(pos, "unexpected control character 0x" + HexByte(c));
    return Reject(pos, std::string("unexpected character '") + static_cast<char>(c) + "'");
}

// Operators and punctuation; matched is false for anything else.
Token Scanner::ScanOperator(size_t pos, bool& matched) {
    const unsigned char c = static_cast<unsigned char>(m_text[pos]);
    const unsigned char d = pos + 1 < m_text.size() ? static_cast<unsigned char>(m_text[pos + 1]) : 0;
    Token t;
    t.pos = static_cast<uint32_t>(pos);
    t.len = 1;
    matched = true;
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
            if (d != '=') return Reject(pos, "':' must be followed by '=' in an assignment (:=)");
            t.kind = Tok::Assign;
            t.len = 2;
            return t;
        case '<':
            t.kind = d == '=' ? Tok::LessEqual : d == '>' ? Tok::NotEqual : Tok::Less;
            t.len = t.kind == Tok::Less ? 1 : 2;
            return t;
        case '>':
            t.kind = d == '=' ? Tok::GreaterEqual : d == '<' ? Tok::NotEqual : Tok::Greater;
            t.len = t.kind == Tok::Greater ? 1 : 2;
            return t;
        default: matched = false; return t;
    }
}

// Length of the run of name characters (ASCII letters, digits, '_', and valid UTF-8
// characters) at pos; false (the error recorded) at an invalid UTF-8 byte.
bool Scanner::NameRun(size_t pos, size_t& length) {
    const size_t n = m_text.size();
    const unsigned char* s = reinterpret_cast<const unsigned char*>(m_text.data());
    size_t i = pos;
    while (i < n) {
        if (IsNameChar(s[i])) {
            ++i;
        } else if (s[i] >= 0x80) {
            const size_t len = Utf8Length(s + i, n - i);
            if (len == 0) {
                Reject(i, "invalid UTF-8 byte 0x" + HexByte(s[i]));
                return false;
            }
            i += len;
        } else {
            break;
        }
    }
    length = i - pos;
    return true;
}

Token Scanner::ScanName(size_t pos) {
    Token t;
    t.pos = static_cast<uint32_t>(pos);
    size_t length = 0;
    if (!NameRun(pos, length)) return Failed();
    t.len = static_cast<uint32_t>(length);
    t.kind = KeywordKind(m_text.substr(pos, t.len));
    return t;
}

Token Scanner::ScanNumber(size_t pos) {
    NumberShape shape;
    ScanMantissa(pos, shape);
    ScanExponent(shape);
    int prefix = 0;
    size_t end = shape.numberEnd;
    if (!ScanPrefix(pos, shape, prefix, end)) return Failed();
    Token t;
    t.kind = Tok::Number;
    t.pos = static_cast<uint32_t>(pos);
    t.len = static_cast<uint32_t>(end - pos);
    return ConvertNumber(t, shape, prefix);
}

// Digits with at most one point; counts the significant digits on either side.
void Scanner::ScanMantissa(size_t pos, NumberShape& shape) const {
    const size_t n = m_text.size();
    const char* s = m_text.data();
    bool afterPoint = false;
    size_t i = pos;
    for (; i < n; ++i) {
        const char c = s[i];
        if (IsDigit(static_cast<unsigned char>(c))) {
            if (c != '0') shape.seenNonZero = true;
            if (!afterPoint) {
                if (shape.seenNonZero) ++shape.intDigits;
            } else if (!shape.seenNonZero) {
                ++shape.leadingZeros;
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    shape.mantissaEnd = i;
}

// "e" or "E", an optional sign and digits; without digits the letter is not part of
// the number.
void Scanner::ScanExponent(NumberShape& shape) const {
    const size_t n = m_text.size();
    const char* s = m_text.data();
    size_t i = shape.mantissaEnd;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool negative = false;
        if (j < n && (s[j] == '+' || s[j] == '-')) {
            negative = s[j] == '-';
            ++j;
        }
        if (j < n && IsDigit(static_cast<unsigned char>(s[j]))) {
            for (; j < n && IsDigit(static_cast<unsigned char>(s[j])); ++j)
                if (shape.exponent < 1000000) shape.exponent = shape.exponent * 10 + (s[j] - '0');
            if (negative) shape.exponent = -shape.exponent;
            i = j;
        }
    }
    shape.numberEnd = i;
}

// An engineering prefix right after the number; any other word or a second point
// there makes the number invalid (false, the error recorded). end moves past the prefix.
bool Scanner::ScanPrefix(size_t pos, NumberShape& shape, int& prefix, size_t& end) {
    const size_t n = m_text.size();
    const char* s = m_text.data();
    const size_t i = shape.numberEnd;
    if (i >= n ||
        !(IsNameStart(static_cast<unsigned char>(s[i])) || static_cast<unsigned char>(s[i]) >= 0x80 || s[i] == '.'))
        return true;
    size_t run = 0;
    if (s[i] != '.' && !NameRun(i, run)) return false;
    bool ok = false;
    if (run > 0) prefix = PrefixExponent(m_text.substr(i, run), ok);
    if (!ok) {
        Reject(pos, WordAfterNumber(pos, i, run, shape.numberEnd));
        return false;
    }
    end = i + run;
    return true;
}

// Why the number at pos with the word of run bytes at `at` behind it is not a number,
// with a suggestion of what was probably meant.
std::string Scanner::WordAfterNumber(size_t pos, size_t at, size_t run, size_t numberEnd) const {
    const size_t n = m_text.size();
    const char* s = m_text.data();
    const std::string_view word = m_text.substr(at, run);
    size_t end = at + (run > 0 ? run : 1);
    while (end < n && (IsNameChar(static_cast<unsigned char>(s[end])) || s[end] == '.')) ++end;
    const std::string whole(m_text.substr(pos, end - pos));
    const std::string_view lead = LeadingPrefix(word);
    std::string what = "'" + whole.substr(0, 40) + "'" + kPlace + " is not a number";
    if (run == 0) return what + ": a decimal point cannot stand there";
    if (lead.empty())
        return what + ": a name cannot follow a number without an operator (write " +
               std::string(m_text.substr(pos, numberEnd - pos).substr(0, 20)) + "*" + std::string(word.substr(0, 20)) +
               ")";
    const std::string number(m_text.substr(pos, std::min<size_t>(numberEnd - pos, 20)));
    const std::string rest(word.substr(lead.size(), 20));
    what += ": a prefix such as '" + std::string(lead) + "' ends a number";
    const bool digitsOnly = rest.find_first_not_of("0123456789") == std::string::npos;
    if (digitsOnly && number.find_first_not_of("0123456789") == std::string::npos)
        what += " (write " + number + "." + rest + std::string(lead) + " for the value, or " + number +
                std::string(lead) + "*" + rest + " for a product)";
    else
        what += " (write " + number + std::string(lead) + "*" + rest + " for a product)";
    return what;
}

// The value of the number token t. A value too small for a double reads as zero; one
// too large is an error.
Token Scanner::ConvertNumber(Token t, NumberShape& shape, int prefix) {
    const char* s = m_text.data();
    const size_t pos = t.pos;
    if (prefix == 0) {
        const auto r = std::from_chars(s + pos, s + shape.numberEnd, t.value);
        if (r.ec == std::errc() && r.ptr == s + shape.numberEnd) return t;
        if (r.ec != std::errc::result_out_of_range)
            return Reject(pos, "'" + std::string(m_text.substr(pos, std::min<size_t>(shape.numberEnd - pos, 40))) +
                                   "'" + kPlace + " is not a number");
    } else {
        // Shift the decimal exponent instead of multiplying, so 4.7u reads exactly as 4.7e-6.
        std::string buffer(s + pos, shape.mantissaEnd - pos);
        buffer += 'e';
        buffer += std::to_string(shape.exponent + prefix);
        const auto r = std::from_chars(buffer.data(), buffer.data() + buffer.size(), t.value);
        shape.exponent += prefix;
        if (r.ec == std::errc() && r.ptr == buffer.data() + buffer.size()) return t;
        if (r.ec != std::errc::result_out_of_range)
            return Reject(pos, "'" + TokenText(t) + "'" + kPlace + " is not a number");
    }
    const long magnitude =
        (shape.seenNonZero ? static_cast<long>(shape.intDigits) - static_cast<long>(shape.leadingZeros) : -1000000) +
        shape.exponent;
    if (magnitude <= 0) {
        t.value = 0;  // too small for a double: it underflows to zero
        return t;
    }
    return Reject(pos, "the number '" + TokenText(t) + "'" + kPlace + " is too large for a double");
}

}  // namespace formula
