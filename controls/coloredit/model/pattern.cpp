// The pattern engine: a recursive-descent compiler that checks the dialect as its
// reference compiler does (same error texts, same size accounting) and emits a small
// program for a backtracking matcher with a table of visited states.
#include "controls/coloredit/model/pattern.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace tb_coloredit {

namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsClosure(char c) { return c == '*' || c == '+' || c == '?'; }
bool IsMeta(char c) { return std::strchr("^$.[()|?+*\\", c) != nullptr && c != '\0'; }

void AppendBothCases(std::string& out, unsigned char c) {
    const char upper = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    const char lower = static_cast<char>(c >= 'a' ? c : c - 'A' + 'a');
    out += '[';
    out += upper;
    out += lower;
    out += ']';
}

/// Copies the set that starts at pattern[i] ('[') through its closing ']' (or to the
/// end when it has none) and returns the index after it.
std::size_t CopySet(std::string_view pattern, std::size_t i, std::string& out) {
    out += pattern[i++];
    if (i < pattern.size() && pattern[i] == '^') out += pattern[i++];
    if (i < pattern.size() && (pattern[i] == ']' || pattern[i] == '-')) out += pattern[i++];
    while (i < pattern.size() && pattern[i] != ']') out += pattern[i++];
    if (i < pattern.size()) out += pattern[i++];
    return i;
}

}  // namespace

std::string CaseInsensitivePattern(std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size() * 2);
    std::size_t i = 0;
    while (i < pattern.size()) {
        const auto c = static_cast<unsigned char>(pattern[i]);
        if (c == '[') {
            i = CopySet(pattern, i, out);
        } else if (c == '\\' && i + 1 < pattern.size()) {
            const auto quoted = static_cast<unsigned char>(pattern[i + 1]);
            if (IsAsciiLetter(quoted)) {
                AppendBothCases(out, quoted);
            } else {
                out += '\\';
                out += static_cast<char>(quoted);
            }
            i += 2;
        } else {
            if (IsAsciiLetter(c))
                AppendBothCases(out, c);
            else
                out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

// ------------------------------------------------------------------ compiler

/// Parses the dialect into a tree, then emits the matcher's program from it.
class CPatternCompiler {
public:
    CPatternCompiler(std::string_view text, CPattern& target) : m_text(text), m_target(target) {}

    bool Compile() {
        m_size = 1;  // the reference program's magic byte
        int flags = 0;
        Node root;
        if (!Reg(false, flags, root)) return false;
        if (m_size >= kMaxProgramSize) return Fail(pattern_error::kTooBig);
        Emit(root);
        m_target.m_program.push_back({CPattern::kMatch, 0, 0, 0});
        return true;
    }
    const char* Error() const { return m_error; }

private:
    // The reference compiler's flags: the piece matches at least one byte, it is a
    // single byte (a cheap closure operand), it starts with a closure.
    static constexpr int kHasWidth = 1, kSimple = 2, kStartsWithClosure = 4;

    struct Node {
        enum Kind { kEmpty, kByte, kSet, kBol, kEol, kConcat, kAlt, kStar, kPlus, kQuest } kind = kEmpty;
        unsigned char byte = 0;
        int set = -1;
        std::vector<Node> kids;
    };

    bool Fail(const char* text) {
        if (!m_error) m_error = text;
        return false;
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }

    bool Reg(bool paren, int& flags, Node& out) {
        flags = kHasWidth;
        if (paren) {
            if (m_groups >= kMaxGroups) return Fail(pattern_error::kTooManyParens);
            ++m_groups;
            m_size += 3;  // open node
        }
        out.kind = Node::kAlt;
        for (;;) {
            Node branch;
            int branchFlags = 0;
            if (!Branch(branchFlags, branch)) return false;
            if (!(branchFlags & kHasWidth)) flags &= ~kHasWidth;
            flags |= branchFlags & kStartsWithClosure;
            out.kids.push_back(std::move(branch));
            if (Peek() != '|' || AtEnd()) break;
            ++m_pos;
        }
        m_size += 3;  // close or end node
        if (paren) {
            if (AtEnd()) return Fail(pattern_error::kUnterminatedParen);
            if (Peek() != ')') return Fail(pattern_error::kUnmatchedParen);
            ++m_pos;
        } else if (!AtEnd()) {
            return Fail(Peek() == ')' ? pattern_error::kUnmatchedParen : pattern_error::kJunkOnEnd);
        }
        if (out.kids.size() == 1) {
            Node only = std::move(out.kids.front());
            out = std::move(only);
        }
        return true;
    }

    bool Branch(int& flags, Node& out) {
        flags = 0;
        m_size += 3;  // branch node
        out.kind = Node::kConcat;
        while (!AtEnd() && Peek() != '|' && Peek() != ')') {
            Node piece;
            int pieceFlags = 0;
            if (!Piece(pieceFlags, piece)) return false;
            flags |= pieceFlags & kHasWidth;
            if (out.kids.empty()) flags |= pieceFlags & kStartsWithClosure;
            out.kids.push_back(std::move(piece));
        }
        if (out.kids.empty()) m_size += 3;  // nothing node
        return true;
    }

    bool Piece(int& flags, Node& out) {
        int atomFlags = 0;
        Node atom;
        if (!Atom(atomFlags, atom)) return false;
        const char op = Peek();
        if (AtEnd() || !IsClosure(op)) {
            flags = atomFlags;
            out = std::move(atom);
            return true;
        }
        if (!(atomFlags & kHasWidth) && op != '?') return Fail(pattern_error::kEmptyOperand);
        flags = op != '+' ? kStartsWithClosure : kHasWidth;
        const bool simple = atomFlags & kSimple;
        m_size += op == '?' ? 9 : simple ? 3 : 12;
        out.kind = op == '*' ? Node::kStar : op == '+' ? Node::kPlus : Node::kQuest;
        out.kids.push_back(std::move(atom));
        ++m_pos;
        if (!AtEnd() && IsClosure(Peek())) return Fail(pattern_error::kNestedClosure);
        return true;
    }

    bool Atom(int& flags, Node& out) {
        flags = 0;
        const char c = m_text[m_pos++];
        switch (c) {
            case '^':
                out.kind = Node::kBol;
                m_size += 3;
                return true;
            case '$':
                out.kind = Node::kEol;
                m_size += 3;
                return true;
            case '.': {
                CPattern::ByteSet any;
                for (int b = 0; b < 256; ++b) any.Add(static_cast<unsigned char>(b));
                out = SetNode(any);
                flags = kHasWidth | kSimple;
                m_size += 3;
                return true;
            }
            case '[': return Set(flags, out);
            case '(': {
                int inner = 0;
                if (!Reg(true, inner, out)) return false;
                flags = inner & (kHasWidth | kStartsWithClosure);
                return true;
            }
            case '|':
            case ')': return Fail(pattern_error::kUnexpectedEnd);  // the branch stops before these
            case '?':
            case '+':
            case '*': return Fail(pattern_error::kFollowsNothing);
            case '\\':
                if (AtEnd()) return Fail(pattern_error::kTrailingBackslash);
                out.kind = Node::kByte;
                out.byte = static_cast<unsigned char>(m_text[m_pos++]);
                flags = kHasWidth | kSimple;
                m_size += 5;
                return true;
            default: return LiteralRun(flags, out);
        }
    }

    /// A run of ordinary bytes; a closure after it takes only its last byte.
    bool LiteralRun(int& flags, Node& out) {
        const std::size_t begin = m_pos - 1;
        std::size_t end = begin;
        while (end < m_text.size() && !IsMeta(m_text[end])) ++end;
        std::size_t length = end - begin;
        if (length > 1 && end < m_text.size() && IsClosure(m_text[end])) --length;
        m_pos = begin + length;
        flags = kHasWidth | (length == 1 ? kSimple : 0);
        m_size += 3 + static_cast<long>(length) + 1;
        out.kind = Node::kConcat;
        for (std::size_t i = begin; i < begin + length; ++i) {
            Node byte;
            byte.kind = Node::kByte;
            byte.byte = static_cast<unsigned char>(m_text[i]);
            out.kids.push_back(byte);
        }
        if (out.kids.size() == 1) {
            Node only = out.kids.front();
            out = only;
        }
        return true;
    }

    bool Set(int& flags, Node& out) {
        CPattern::ByteSet set;
        bool negate = false;
        long members = 0;
        auto add = [&](int b) {
            set.Add(static_cast<unsigned char>(b));
            ++members;
        };
        if (Peek() == '^' && !AtEnd()) {
            negate = true;
            ++m_pos;
        }
        if (!AtEnd() && (Peek() == ']' || Peek() == '-')) add(static_cast<unsigned char>(m_text[m_pos++]));
        while (!AtEnd() && Peek() != ']') {
            if (Peek() == '-') {
                ++m_pos;
                if (AtEnd() || Peek() == ']') {
                    add('-');
                } else {
                    int from = static_cast<unsigned char>(m_text[m_pos - 2]) + 1;
                    const int to = static_cast<unsigned char>(m_text[m_pos]);
                    if (from > to + 1) return Fail(pattern_error::kInvalidRange);
                    for (; from <= to; ++from) add(from);
                    ++m_pos;
                }
            } else {
                add(static_cast<unsigned char>(m_text[m_pos++]));
            }
        }
        if (AtEnd()) return Fail(pattern_error::kUnmatchedBracket);
        ++m_pos;
        if (negate)
            for (auto& word : set.bits) word = ~word;
        out = SetNode(set);
        flags = kHasWidth | kSimple;
        m_size += 3 + members + 1;
        return true;
    }

    Node SetNode(const CPattern::ByteSet& set) {
        Node node;
        node.kind = Node::kSet;
        node.set = static_cast<int>(m_target.m_sets.size());
        m_target.m_sets.push_back(set);
        return node;
    }

    // ---- emission
    int Here() const { return static_cast<int>(m_target.m_program.size()); }
    int Add(CPattern::Op op, int x = 0, int y = 0, unsigned char byte = 0) {
        m_target.m_program.push_back({op, byte, x, y});
        return Here() - 1;
    }
    CPattern::Inst& At(int pc) { return m_target.m_program[static_cast<std::size_t>(pc)]; }

    void Emit(const Node& node) {
        switch (node.kind) {
            case Node::kEmpty: break;
            case Node::kByte: Add(CPattern::kByte, 0, 0, node.byte); break;
            case Node::kSet: Add(CPattern::kSet, node.set); break;
            case Node::kBol: Add(CPattern::kBol); break;
            case Node::kEol: Add(CPattern::kEol); break;
            case Node::kConcat:
                for (const Node& kid : node.kids) Emit(kid);
                break;
            case Node::kAlt: {
                std::vector<int> jumps;
                for (std::size_t i = 0; i < node.kids.size(); ++i) {
                    const bool last = i + 1 == node.kids.size();
                    const int split = last ? -1 : Add(CPattern::kSplit);
                    if (!last) At(split).x = Here();
                    Emit(node.kids[i]);
                    if (!last) {
                        jumps.push_back(Add(CPattern::kJump));
                        At(split).y = Here();
                    }
                }
                for (int jump : jumps) At(jump).x = Here();
                break;
            }
            case Node::kStar: {
                const int split = Add(CPattern::kSplit);
                At(split).x = Here();
                Emit(node.kids.front());
                Add(CPattern::kJump, split);
                At(split).y = Here();
                break;
            }
            case Node::kPlus: {
                const int begin = Here();
                Emit(node.kids.front());
                const int split = Add(CPattern::kSplit, begin);
                At(split).y = Here();
                break;
            }
            case Node::kQuest: {
                const int split = Add(CPattern::kSplit);
                At(split).x = Here();
                Emit(node.kids.front());
                At(split).y = Here();
                break;
            }
        }
    }

    std::string_view m_text;
    CPattern& m_target;
    std::size_t m_pos = 0;
    int m_groups = 0;
    long m_size = 0;
    const char* m_error = nullptr;
};

// ------------------------------------------------------------------ pattern

bool CPattern::Compile(const char* pattern, bool caseSensitive) {
    if (!pattern) {
        m_program.clear();
        m_sets.clear();
        m_compiled = false;
        m_error = pattern_error::kNullPattern;
        return false;
    }
    return Compile(std::string_view(pattern), caseSensitive);
}

bool CPattern::Compile(std::string_view pattern, bool caseSensitive) {
    m_program.clear();
    m_sets.clear();
    m_error.clear();
    m_compiled = false;
    const std::string rewritten = caseSensitive ? std::string() : CaseInsensitivePattern(pattern);
    CPatternCompiler compiler(caseSensitive ? pattern : std::string_view(rewritten), *this);
    if (!compiler.Compile()) {
        m_error = compiler.Error();
        m_program.clear();
        m_sets.clear();
        return false;
    }
    // Which bytes can begin a match: follow splits and jumps from the start. An anchor
    // or a possible empty match means every position must be tried.
    m_firstBytes = ByteSet();
    m_mayStartAnywhere = false;
    m_anchored = true;
    m_branches = std::any_of(m_program.begin(), m_program.end(), [](const Inst& i) { return i.op == kSplit; });
    std::vector<bool> seen(m_program.size(), false);
    std::vector<int> todo{0};
    while (!todo.empty()) {
        const int pc = todo.back();
        todo.pop_back();
        if (seen[static_cast<std::size_t>(pc)]) continue;
        seen[static_cast<std::size_t>(pc)] = true;
        const Inst& inst = m_program[static_cast<std::size_t>(pc)];
        switch (inst.op) {
            case kByte: m_firstBytes.Add(inst.byte); break;
            case kSet:
                for (int w = 0; w < 4; ++w) m_firstBytes.bits[w] |= m_sets[static_cast<std::size_t>(inst.x)].bits[w];
                break;
            case kSplit:
                todo.push_back(inst.x);
                todo.push_back(inst.y);
                break;
            case kJump: todo.push_back(inst.x); break;
            default: m_mayStartAnywhere = true; break;
        }
        if (inst.op != kBol && inst.op != kSplit && inst.op != kJump) m_anchored = false;
    }
    m_compiled = true;
    return true;
}

bool CPattern::Backtrack(std::string_view subject, std::size_t first, std::size_t start, int& end,
                         CMatchContext& context, bool withTable, long& steps) const {
    const std::size_t width = withTable ? subject.size() - first + 1 : 0;
    std::vector<CMatchContext::Job>& jobs = context.m_jobs;
    jobs.clear();
    jobs.push_back({0, static_cast<int>(start)});
    while (!jobs.empty()) {
        int pc = jobs.back().pc;
        std::size_t pos = static_cast<std::size_t>(jobs.back().pos);
        jobs.pop_back();
        for (;;) {
            if (--steps < 0) {
                m_error = pattern_error::kStepLimit;
                jobs.clear();
                return false;
            }
            if (withTable && m_program[static_cast<std::size_t>(pc)].op == kSplit) {
                const std::size_t bit = static_cast<std::size_t>(pc) * width + (pos - first);
                std::uint64_t& word = context.m_visited[bit >> 6];
                const std::uint64_t mask = std::uint64_t(1) << (bit & 63);
                if (word & mask) break;  // explored before without a match
                // Noted before it is marked: a word is never marked without being noted.
                if (!word) context.m_touched.push_back(static_cast<std::uint32_t>(bit >> 6));
                word |= mask;
            }
            const Inst& inst = m_program[static_cast<std::size_t>(pc)];
            bool alive = true;
            switch (inst.op) {
                case kByte:
                    alive = pos < subject.size() && static_cast<unsigned char>(subject[pos]) == inst.byte;
                    ++pc;
                    ++pos;
                    break;
                case kSet:
                    alive = pos < subject.size() &&
                            m_sets[static_cast<std::size_t>(inst.x)].Has(static_cast<unsigned char>(subject[pos]));
                    ++pc;
                    ++pos;
                    break;
                case kBol:
                    alive = pos == 0;
                    ++pc;
                    break;
                case kEol:
                    alive = pos == subject.size();
                    ++pc;
                    break;
                case kSplit:
                    jobs.push_back({inst.y, static_cast<int>(pos)});
                    pc = inst.x;
                    break;
                case kJump: pc = inst.x; break;
                case kMatch: end = static_cast<int>(pos); return true;
            }
            if (!alive) break;
        }
    }
    return false;
}

bool CPattern::RunStarts(std::string_view subject, std::size_t first, std::size_t last, int& start, int& length,
                         CMatchContext& context, bool withTable, long& steps) const {
    // One table serves every start: a state that failed once fails again. Without
    // choices a start has one path and needs no table.
    const std::size_t bits = m_program.size() * (subject.size() - first + 1);
    withTable = withTable && m_branches && bits <= kStateTableLimit;
    if (withTable) {
        // Only the words the last search marked are cleared: short searches stay cheap.
        for (std::uint32_t word : context.m_touched) context.m_visited[word] = 0;
        context.m_touched.clear();
        if (context.m_visited.size() < (bits + 63) / 64) context.m_visited.resize((bits + 63) / 64, 0);
    }
    for (std::size_t at = first; at <= last && at <= subject.size(); ++at) {
        if (!m_mayStartAnywhere) {
            while (at <= last && at < subject.size() && !CanStartWith(static_cast<unsigned char>(subject[at]))) ++at;
            if (at > last || at >= subject.size()) return false;
        }
        int end = 0;
        if (Backtrack(subject, first, at, end, context, withTable, steps)) {
            start = static_cast<int>(at);
            length = end - static_cast<int>(at);
            return true;
        }
        if (steps < 0) return false;
    }
    return false;
}

bool CPattern::Run(std::string_view subject, std::size_t first, std::size_t last, int& start, int& length,
                   CMatchContext& context) const {
    if (!m_compiled) {
        m_error = pattern_error::kNotCompiled;
        return false;
    }
    if (first > subject.size()) return false;
    if (m_anchored) {
        if (first > 0) return false;
        last = 0;
    }
    const long allowed = std::min(kStepLimit, std::max(context.m_stepsLeft, 0L));
    long steps = allowed;
    bool found = false;
    try {
        found = RunStarts(subject, first, last, start, length, context, true, steps);
    } catch (const std::bad_alloc&) {
        // No memory for the table or the stack: once more without the table, within
        // the steps that are left; the table's marks stay noted for the next search.
        try {
            found = RunStarts(subject, first, last, start, length, context, false, steps);
        } catch (const std::bad_alloc&) {
            m_error = pattern_error::kOutOfMemory;
            found = false;
        }
    }
    context.m_stepsLeft -= allowed - steps;
    return found;
}

void CMatchContext::TrimTable(std::size_t words) {
    if (m_visited.size() <= words) return;
    m_visited = std::vector<std::uint64_t>();
    m_touched = std::vector<std::uint32_t>();
}

bool CPattern::Search(std::string_view subject, std::size_t from, int& offset, int& length) const {
    m_context.SetSteps(kStepLimit);
    const bool found = Search(subject, from, offset, length, m_context);
    m_context.TrimTable(kKeptTableWords);
    return found;
}

bool CPattern::Search(std::string_view subject, std::size_t from, int& offset, int& length,
                      CMatchContext& context) const {
    if (!subject.data() && !subject.empty()) {
        m_error = pattern_error::kNullSubject;
        return false;
    }
    int start = 0;
    if (!Run(subject, from, subject.size(), start, length, context)) return false;
    offset = start - static_cast<int>(from);
    return true;
}

bool CPattern::MatchAt(std::string_view subject, std::size_t at, int& length) const {
    m_context.SetSteps(kStepLimit);
    const bool found = MatchAt(subject, at, length, m_context);
    m_context.TrimTable(kKeptTableWords);
    return found;
}

bool CPattern::MatchAt(std::string_view subject, std::size_t at, int& length, CMatchContext& context) const {
    int start = 0;
    return Run(subject, at, at, start, length, context);
}

}  // namespace tb_coloredit
