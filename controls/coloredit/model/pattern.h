// The pattern engine of the colouring editor's syntax descriptions and of the grid's
// number validation: the classic egrep-like dialect.
//
//   .        any byte              [abc] [a-z]  a set; [^...] its complement
//   * + ?    greedy closures       a|b          alternation, left branch first
//   ( )      grouping (at most 9)  ^ $          start and end of the subject
//   \c       c taken literally (also inside nothing else: a set takes "\" as itself)
//
// Inside a set a leading "]" or "-" is literal, "-" before the closing "]" too, and a
// range's lower end is the byte before its "-" ("[a-b-c]" holds a, b and c). Every
// other byte stands for itself, NUL included.
//
// A match is the leftmost one; at that start the first match in priority order (left
// branches before right ones, closures as long as the rest allows) is taken, as a
// backtracking matcher of this dialect finds it. The matcher is a backtracking search
// that remembers every (instruction, position) state it has already left without a
// match (kept at its choice points, where paths part), so no pattern takes more than
// instructions x subject length states: nested closures such as "(a|aa)*b" cannot blow
// up exponentially. When that table would not fit kStateTableLimit bits (or there is
// no memory for it) the search runs without it.
//
// Every search counts its steps (instructions carried out) against a budget: at most
// kStepLimit on its own, or what is left of a CMatchContext's budget shared by many
// searches (the colouring of one line). A search that runs out reports no match and
// the error text "step limit exceeded". The context also holds the state table and
// the backtracking stack; a search without one uses the pattern's own, whose table
// goes after the search when it is larger than kKeptTableWords.
//
// Compiling checks the pattern the way the dialect's reference compiler does and keeps
// the first error text found ("unmatched ()", "*+ operand could be empty", ...).
// A compiled pattern is not for use by two threads at once (it keeps its last error).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb_coloredit {

/// Compile and match error texts, as hosts may show them.
namespace pattern_error {
constexpr const char* kTooBig = "regexp too big";
constexpr const char* kTooManyParens = "too many ()";
constexpr const char* kUnterminatedParen = "unterminated ()";
constexpr const char* kUnmatchedParen = "unmatched ()";
constexpr const char* kEmptyOperand = "*+ operand could be empty";
constexpr const char* kNestedClosure = "nested *?+";
constexpr const char* kInvalidRange = "invalid [] range";
constexpr const char* kUnmatchedBracket = "unmatched []";
constexpr const char* kFollowsNothing = "?+* follows nothing";
constexpr const char* kTrailingBackslash = "trailing \\";
constexpr const char* kNullPattern = "NULL argument to regcomp";
constexpr const char* kJunkOnEnd = "internal error: junk on end";
constexpr const char* kUnexpectedEnd = "internal error: \\0|) unexpected";
constexpr const char* kNullSubject = "NULL argument to regexec";
constexpr const char* kNotCompiled = "NULL regexp";
/// Not a text of the dialect's reference engine: the search gave up (see kStepLimit).
constexpr const char* kStepLimit = "step limit exceeded";
/// Not a text of the dialect's reference engine: there was no memory to search with.
constexpr const char* kOutOfMemory = "out of memory";
}  // namespace pattern_error

/// Steps one search may take.
constexpr long kStepLimit = 20'000'000;
/// Largest state table (instructions x (subject length + 1) bits) a search allocates.
constexpr std::size_t kStateTableLimit = std::size_t(1) << 25;
/// Words of state table a pattern keeps between searches made without a context.
constexpr std::size_t kKeptTableWords = 1024;
/// Size limit of a compiled pattern in the reference engine's units (3 per node, one
/// per literal byte or set member): larger patterns fail with "regexp too big".
constexpr long kMaxProgramSize = 32767;
/// Groups a pattern may hold.
constexpr int kMaxGroups = 9;

/// The pattern text that matches letters in either case: every ASCII letter outside a
/// set becomes a set of its two cases ("a" gives "[Aa]", "\a" too); sets stay as
/// written.
std::string CaseInsensitivePattern(std::string_view pattern);

/// What searches need besides the pattern: the state table, the backtracking stack
/// and a budget of steps. One context serves any number of searches of any patterns
/// one after the other; its memory goes with it.
class CMatchContext {
public:
    explicit CMatchContext(long steps = kStepLimit) : m_stepsLeft(steps) {}
    long StepsLeft() const { return m_stepsLeft; }
    void SetSteps(long steps) { m_stepsLeft = steps; }
    /// Frees the state table when it is larger than words.
    void TrimTable(std::size_t words);

private:
    friend class CPattern;
    struct Job {
        int pc;
        int pos;
    };
    long m_stepsLeft;
    std::vector<std::uint64_t> m_visited;
    std::vector<std::uint32_t> m_touched;  // words of m_visited marked by the last search
    std::vector<Job> m_jobs;
};

class CPattern {
public:
    /// Compiles pattern (rewritten first when caseSensitive is false). False on error,
    /// with LastError() telling why; the pattern then matches nothing.
    bool Compile(std::string_view pattern, bool caseSensitive = true);
    /// Compile(nullptr) reports "NULL argument to regcomp".
    bool Compile(const char* pattern, bool caseSensitive = true);
    bool IsCompiled() const { return m_compiled; }

    /// The leftmost match that starts at or after from: true with its offset from
    /// `from` and its length. "^" matches only at 0, "$" only at subject.size().
    bool Search(std::string_view subject, std::size_t from, int& offset, int& length) const;
    /// Search within the steps left in context (at most kStepLimit), using its memory.
    bool Search(std::string_view subject, std::size_t from, int& offset, int& length, CMatchContext& context) const;
    /// A match that starts exactly at `at`: true with its length.
    bool MatchAt(std::string_view subject, std::size_t at, int& length) const;
    bool MatchAt(std::string_view subject, std::size_t at, int& length, CMatchContext& context) const;

    /// The last compile or match error; empty when there was none.
    const std::string& LastError() const { return m_error; }

private:
    enum Op : std::uint8_t { kByte, kSet, kBol, kEol, kSplit, kJump, kMatch };
    struct Inst {
        Op op;
        std::uint8_t byte;  // kByte
        int x;              // kSet: set index; kSplit/kJump: first target
        int y;              // kSplit: second (less preferred) target
    };
    struct ByteSet {
        std::uint64_t bits[4] = {0, 0, 0, 0};
        bool Has(unsigned char c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
        void Add(unsigned char c) { bits[c >> 6] |= std::uint64_t(1) << (c & 63); }
    };
    friend class CPatternCompiler;

    bool Run(std::string_view subject, std::size_t first, std::size_t last, int& start, int& length,
             CMatchContext& context) const;
    bool RunStarts(std::string_view subject, std::size_t first, std::size_t last, int& start, int& length,
                   CMatchContext& context, bool withTable, long& steps) const;
    bool Backtrack(std::string_view subject, std::size_t first, std::size_t start, int& end, CMatchContext& context,
                   bool withTable, long& steps) const;
    bool CanStartWith(unsigned char c) const { return m_firstBytes.Has(c); }

    std::vector<Inst> m_program;
    std::vector<ByteSet> m_sets;
    ByteSet m_firstBytes;            // bytes a non-empty match can start with
    bool m_mayStartAnywhere = true;  // the pattern can match empty or start with an anchor
    bool m_anchored = false;         // every match begins with "^": only position 0 can match
    bool m_branches = false;         // the program has choices (else one path per start)
    bool m_compiled = false;
    mutable std::string m_error;
    mutable CMatchContext m_context;  // for the searches made without a context
};

}  // namespace tb_coloredit
