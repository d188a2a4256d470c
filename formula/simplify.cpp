// Folds the constant parts of the reverse Polish code and writes the formula back as
// text. The expression tree is built from the code with an explicit stack and printed
// with an explicit work list, so a chain of a million terms needs no deep recursion.
#include "formula/engine.h"
#include "formula/functions.h"

namespace formula {
namespace {

struct Node {
    OpCode op = OpCode::Number;
    uint8_t fn = 0;
    bool constant = false;
    uint32_t arg = 0;         // variable index or argument count
    uint32_t firstChild = 0;  // into Folder::m_children
    Value value;
};

// Precedence levels of the printed form; a child is put in parentheses when its level
// is below the one its place needs.
enum Level { kOr = 1, kAnd, kNot, kCompare, kAdditive, kTerm, kUnary, kPower, kAtom };

int LevelOf(OpCode op) {
    switch (op) {
        case OpCode::Or: return kOr;
        case OpCode::And: return kAnd;
        case OpCode::Not: return kNot;
        case OpCode::Equal:
        case OpCode::NotEqual:
        case OpCode::Less:
        case OpCode::LessEqual:
        case OpCode::Greater:
        case OpCode::GreaterEqual: return kCompare;
        case OpCode::Add:
        case OpCode::Sub: return kAdditive;
        case OpCode::Mul:
        case OpCode::Div: return kTerm;
        case OpCode::Negate: return kUnary;
        case OpCode::Pow: return kPower;
        default: return kAtom;
    }
}

const char* SpacedOperator(OpCode op) {
    if (op == OpCode::And) return " AND ";
    if (op == OpCode::Or) return " OR ";
    return OperatorText(op);
}

class Folder {
public:
    explicit Folder(const Program& program) : m_program(program) {
        // A node per instruction at most, plus merged constants; one allocation each.
        const size_t n = program.code.size();
        m_nodes.reserve(n + n / 2 + 1);
        m_children.reserve(2 * n);
        m_stack.reserve(n);
    }

    /// Builds the folded tree of the code range; root receives its node.
    bool Build(uint32_t begin, uint32_t end, uint32_t& root, Diagnostic& error) {
        m_stack.clear();
        const char* problem = nullptr;
        for (uint32_t i = begin; i < end; ++i) {
            const Instruction& in = m_program.code[i];
            Node node;
            node.op = in.op;
            node.fn = in.fn;
            node.arg = in.arg;
            switch (in.op) {
                case OpCode::Number:
                case OpCode::Constant:
                    node.op = OpCode::Number;
                    node.constant = true;
                    node.value = in.value;
                    break;
                case OpCode::Variable: break;
                case OpCode::Negate:
                case OpCode::Not: {
                    const uint32_t a = m_stack.back();
                    m_stack.pop_back();
                    if (m_nodes[a].constant) {
                        node.op = OpCode::Number;
                        node.constant = true;
                        node.value = ApplyUnary(in.op, m_nodes[a].value);
                    } else {
                        node.firstChild = static_cast<uint32_t>(m_children.size());
                        m_children.push_back(a);
                    }
                    break;
                }
                case OpCode::Call: {
                    const size_t base = m_stack.size() - in.arg;
                    bool allConstant = true;
                    for (size_t k = base; k < m_stack.size(); ++k)
                        allConstant = allConstant && m_nodes[m_stack[k]].constant;
                    if (allConstant) {
                        m_args.clear();
                        for (size_t k = base; k < m_stack.size(); ++k) m_args.push_back(m_nodes[m_stack[k]].value);
                        if (!CallFunction(in.fn, m_args.data(), static_cast<int>(in.arg), node.value, problem)) {
                            error = MakeDiagnostic(
                                m_program.source, in.pos,
                                std::string("'") + GetFunction(in.fn).name + "'" + kPlace + " " + problem);
                            return false;
                        }
                        node.op = OpCode::Number;
                        node.constant = true;
                    } else {
                        node.firstChild = static_cast<uint32_t>(m_children.size());
                        m_children.insert(m_children.end(), m_stack.begin() + static_cast<std::ptrdiff_t>(base),
                                          m_stack.end());
                    }
                    m_stack.resize(base);
                    break;
                }
                default: {
                    const uint32_t b = m_stack.back();
                    m_stack.pop_back();
                    const uint32_t a = m_stack.back();
                    m_stack.pop_back();
                    if (m_nodes[a].constant && m_nodes[b].constant) {
                        if (!ApplyBinary(in.op, m_nodes[a].value, m_nodes[b].value, node.value, problem)) {
                            error =
                                MakeDiagnostic(m_program.source, in.pos,
                                               std::string("'") + OperatorText(in.op) + "'" + kPlace + " " + problem);
                            return false;
                        }
                        node.op = OpCode::Number;
                        node.constant = true;
                    } else if (!Reassociate(in.op, a, b, node)) {
                        node.firstChild = static_cast<uint32_t>(m_children.size());
                        m_children.push_back(a);
                        m_children.push_back(b);
                    }
                    break;
                }
            }
            m_nodes.push_back(node);
            m_stack.push_back(static_cast<uint32_t>(m_nodes.size() - 1));
        }
        if (m_stack.size() != 1) {
            error = {"the formula's reverse Polish code is damaged", 0, 0};
            return false;
        }
        root = m_stack.back();
        return true;
    }

    /// Prints the tree below root.
    void Print(uint32_t root, std::string& out) {
        m_work.clear();
        m_work.push_back({root, 0, false, nullptr});
        while (!m_work.empty()) {
            const Item item = m_work.back();
            m_work.pop_back();
            if (item.text) {
                out += item.text;
                continue;
            }
            const Node& n = m_nodes[item.node];
            if (n.constant) {
                const Value v = item.negate ? -n.value : n.value;
                // A negative number reads like a negation: -3^2 would be -(3^2).
                const bool wrap = v.imag() == 0 && v.real() < 0 && item.need > kUnary;
                if (wrap) out += '(';
                AppendValue(out, v);
                if (wrap) out += ')';
                continue;
            }
            switch (n.op) {
                case OpCode::Variable: out += m_program.variables[n.arg]; continue;
                case OpCode::Call:
                    out += GetFunction(n.fn).name;
                    out += '(';
                    m_work.push_back({0, 0, false, ")"});
                    for (uint32_t k = n.arg; k-- > 0;) {
                        m_work.push_back({m_children[n.firstChild + k], 0, false, nullptr});
                        if (k > 0) m_work.push_back({0, 0, false, ","});
                    }
                    continue;
                default: break;
            }
            const int level = LevelOf(n.op);
            if (level < item.need) {
                out += '(';
                m_work.push_back({0, 0, false, ")"});
            }
            if (n.op == OpCode::Negate || n.op == OpCode::Not) {
                out += n.op == OpCode::Not ? "NOT " : "-";
                m_work.push_back({m_children[n.firstChild], level, false, nullptr});
                continue;
            }
            const uint32_t left = m_children[n.firstChild];
            const uint32_t right = m_children[n.firstChild + 1];
            const char* op = SpacedOperator(n.op);
            bool flip = false;
            // x+(-3) prints as x-3 and x-(-3) as x+3: the same value, bit for bit.
            const Node& r = m_nodes[right];
            if ((n.op == OpCode::Add || n.op == OpCode::Sub) && r.constant && r.value.imag() == 0 &&
                r.value.real() < 0) {
                flip = true;
                op = n.op == OpCode::Add ? "-" : "+";
            }
            // '^' is right-associative and takes a signed exponent; the others are
            // left-associative, so an equal level on the right keeps its parentheses.
            // A comparison inside a comparison keeps its parentheses: (a<b)=c.
            const int needLeft = n.op == OpCode::Pow ? kAtom : level == kCompare ? kCompare + 1 : level;
            const int needRight = n.op == OpCode::Pow ? kUnary : level + 1;
            m_work.push_back({right, needRight, flip, nullptr});
            m_work.push_back({0, 0, false, op});
            m_work.push_back({left, needLeft, false, nullptr});
        }
    }

private:
    // Merges a constant into a neighbouring operation that already holds one, so that
    // x+6-4 becomes x+2 and x/1000*9 becomes x*0.009: (z op1 c1) op c2 and
    // c2 op (z op1 c1) for + - and for * /. Returns false when the shapes do not fit
    // or the merged constant would be zero or not finite where the parts were not.
    bool Reassociate(OpCode op, uint32_t a, uint32_t b, Node& node) {
        if (m_nodes[a].constant == m_nodes[b].constant) return false;
        const bool additive = op == OpCode::Add || op == OpCode::Sub;
        if (!additive && op != OpCode::Mul && op != OpCode::Div) return false;
        const bool constLeft = m_nodes[a].constant;
        const uint32_t innerIndex = constLeft ? b : a;
        const Value c2 = m_nodes[constLeft ? a : b].value;
        const Node& inner = m_nodes[innerIndex];
        const bool innerAdditive = inner.op == OpCode::Add || inner.op == OpCode::Sub;
        const bool innerMultiplicative = inner.op == OpCode::Mul || inner.op == OpCode::Div;
        if (inner.constant || (additive ? !innerAdditive : !innerMultiplicative)) return false;
        const uint32_t left = m_children[inner.firstChild], right = m_children[inner.firstChild + 1];
        const bool innerConstLeft = m_nodes[left].constant;
        if (!innerConstLeft && !m_nodes[right].constant) return false;
        const Value c1 = m_nodes[innerConstLeft ? left : right].value;
        const uint32_t z = innerConstLeft ? right : left;

        // Inner shapes, written for + and - (for * and / read * for + and / for -):
        // z+c1, c1+z, c1-z are K + s*z with K = c1 and s = +1, +1, -1; z-c1 is the odd one.
        const OpCode plus = additive ? OpCode::Add : OpCode::Mul;
        const OpCode minus = additive ? OpCode::Sub : OpCode::Div;
        const bool outerMinus = op == minus;
        const bool zMinusC1 = !innerConstLeft && inner.op == minus;
        int sign = innerConstLeft && inner.op == minus ? -1 : 1;
        Value k;
        const char* problem = nullptr;
        if (!constLeft) {
            if (zMinusC1) {
                // (z - c1) + c2 = z + (c2 - c1);  (z - c1) - c2 = z - (c1 + c2)
                if (outerMinus) {
                    if (!ApplyBinary(plus, c1, c2, k, problem)) return false;
                    return Finish(k, c1, c2, z, minus, false, node);
                }
                if (!ApplyBinary(minus, c2, c1, k, problem)) return false;
            } else if (!ApplyBinary(op, c1, c2, k, problem)) {
                return false;  // (K + s*z) op c2 = (K op c2) + s*z
            }
        } else {
            if (zMinusC1) {
                // c2 + (z - c1) = (c2 - c1) + z;  c2 - (z - c1) = (c2 + c1) - z
                if (!ApplyBinary(outerMinus ? plus : minus, c2, c1, k, problem)) return false;
            } else if (!ApplyBinary(op, c2, c1, k, problem)) {
                return false;  // c2 op (K + s*z) = (c2 op K) op s*z
            }
            if (outerMinus) sign = -sign;
        }
        return sign > 0 ? Finish(k, c1, c2, z, plus, false, node) : Finish(k, c1, c2, z, minus, true, node);
    }

    // Makes node = z op k (or k op z when constFirst), after the merge checks.
    bool Finish(Value k, Value c1, Value c2, uint32_t z, OpCode op, bool constFirst, Node& node) {
        if (k == Value(0) && c1 != Value(0) && c2 != Value(0)) return false;  // underflow
        Node constant;
        constant.op = OpCode::Number;
        constant.constant = true;
        constant.value = k;
        m_nodes.push_back(constant);
        const uint32_t ki = static_cast<uint32_t>(m_nodes.size() - 1);
        node.op = op;
        node.firstChild = static_cast<uint32_t>(m_children.size());
        m_children.push_back(constFirst ? ki : z);
        m_children.push_back(constFirst ? z : ki);
        return true;
    }

    struct Item {
        uint32_t node;
        int need;          // lowest level printed without parentheses
        bool negate;       // print the negation of a constant node
        const char* text;  // literal text instead of a node when not null
    };

    const Program& m_program;
    std::vector<Node> m_nodes;
    std::vector<uint32_t> m_children;
    std::vector<uint32_t> m_stack;
    std::vector<Value> m_args;
    std::vector<Item> m_work;
};

bool SimplifyExpression(Folder& folder, uint32_t begin, uint32_t end, std::string& out, Diagnostic& error) {
    uint32_t root = 0;
    if (!folder.Build(begin, end, root, error)) return false;
    folder.Print(root, out);
    return true;
}

void Indent(std::string& out, int depth) { out.append(static_cast<size_t>(depth) * 2, ' '); }

bool SimplifyStatements(Folder& folder, const Program& program, uint32_t first, uint32_t count, int depth,
                        std::string& out, Diagnostic& error) {
    for (uint32_t i = 0; i < count; ++i) {
        const Statement& st = program.statements[first + i];
        if (i > 0 || depth > 0) {
            if (!out.empty() && out.back() != '\n') out += '\n';
        }
        switch (st.kind) {
            case Statement::Expression:
                Indent(out, depth);
                if (!SimplifyExpression(folder, st.codeBegin, st.codeEnd, out, error)) return false;
                break;
            case Statement::Assignment:
                Indent(out, depth);
                out += program.variables[st.target];
                out += " := ";
                if (!SimplifyExpression(folder, st.codeBegin, st.codeEnd, out, error)) return false;
                break;
            case Statement::If:
                for (uint32_t b = 0; b < st.branchCount; ++b) {
                    const Branch& branch = program.branches[st.firstBranch + b];
                    if (b > 0) out += '\n';
                    Indent(out, depth);
                    if (b > 0) out += "ELSE";
                    if (branch.hasCondition) {
                        out += b > 0 ? " IF(" : "IF(";
                        if (!SimplifyExpression(folder, branch.condBegin, branch.condEnd, out, error)) return false;
                        out += ')';
                    }
                    out += '\n';
                    Indent(out, depth);
                    out += "{";
                    if (!SimplifyStatements(folder, program, branch.firstStatement, branch.statementCount, depth + 1,
                                            out, error))
                        return false;
                    out += '\n';
                    Indent(out, depth);
                    out += "}";
                }
                break;
        }
    }
    return true;
}

}  // namespace

bool Simplify(const Program& program, std::string& out, Diagnostic& error) {
    out.clear();
    if (!program.Ok()) {
        error = program.errors.empty() ? Diagnostic{"the formula has not been scanned", 0, 0} : program.errors[0];
        return false;
    }
    Folder folder(program);
    return SimplifyStatements(folder, program, program.firstTop, program.topCount, 0, out, error);
}

}  // namespace formula
