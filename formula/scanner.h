// The scanner of the formula language: splits formula text into tokens (numbers with
// their engineering prefixes, names, keywords, operators and punctuation), one at a
// time from a byte offset, so that the parser can look one token ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace formula {

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
    Else,
    Invalid  // no token: the scanner's error says where and why
};

struct Token {
    Tok kind = Tok::End;
    uint32_t pos = 0;  // byte offset in the formula
    uint32_t len = 0;
    double value = 0;  // of a number
};

class Scanner {
public:
    /// text must outlive the scanner and be shorter than 2 GB.
    explicit Scanner(std::string_view text) : m_text(text) {}

    /// The token at pos, after any blanks there. Kind Invalid when the text there is not
    /// a token; ErrorPos and ErrorMessage then tell where and why (the message carries
    /// kPlace where the place belongs, like the parser's).
    Token Scan(size_t pos);
    size_t ErrorPos() const { return m_errorPos; }
    const std::string& ErrorMessage() const { return m_error; }

    /// The token's text for messages, cut to about 24 bytes on a character boundary.
    std::string TokenText(const Token& t) const;
    /// "'text'" of the token, or "the end of the formula".
    std::string Describe(const Token& t) const;

private:
    // How a number's digits read, to tell overflow from underflow.
    struct NumberShape {
        size_t mantissaEnd = 0;   // end of the digits and point
        size_t numberEnd = 0;     // end of the exponent, where a prefix may follow
        size_t intDigits = 0;     // significant digits before the point
        size_t leadingZeros = 0;  // zeros after the point before the first other digit
        bool seenNonZero = false;
        long exponent = 0;
    };

    Token ScanOperator(size_t pos, bool& matched);
    Token ScanName(size_t pos);
    Token ScanNumber(size_t pos);
    void ScanMantissa(size_t pos, NumberShape& shape) const;
    void ScanExponent(NumberShape& shape) const;
    bool ScanPrefix(size_t pos, NumberShape& shape, int& prefix, size_t& end);
    std::string WordAfterNumber(size_t pos, size_t at, size_t run, size_t numberEnd) const;
    Token ConvertNumber(Token t, NumberShape& shape, int prefix);
    bool NameRun(size_t pos, size_t& length);
    // Records the error and returns an Invalid token; Failed returns it again.
    Token Reject(size_t pos, std::string what);
    Token Failed() const;

    std::string_view m_text;
    size_t m_errorPos = 0;
    std::string m_error;
};

}  // namespace formula
