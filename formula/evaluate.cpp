// Runs the reverse Polish code on a value stack.
#include "formula/engine.h"
#include "formula/functions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace formula {
namespace {

std::string Quoted(const char* text) { return std::string("'") + text + "'"; }

bool RunStatements(const Program& program, uint32_t first, uint32_t count, Bindings& bindings, Value& result,
                   Diagnostic& error);

bool RunStatement(const Program& program, const Statement& st, Bindings& bindings, Value& result, Diagnostic& error) {
    switch (st.kind) {
        case Statement::Expression:
            return EvaluateExpression(program, st.codeBegin, st.codeEnd, bindings, result, error);
        case Statement::Assignment: {
            Value v;
            if (!EvaluateExpression(program, st.codeBegin, st.codeEnd, bindings, v, error)) return false;
            if (bindings.size() <= st.target) bindings.resize(st.target + 1);
            bindings[st.target] = v;
            result = v;
            return true;
        }
        case Statement::If:
            for (uint32_t b = 0; b < st.branchCount; ++b) {
                const Branch& branch = program.branches[st.firstBranch + b];
                if (branch.hasCondition) {
                    Value c;
                    if (!EvaluateExpression(program, branch.condBegin, branch.condEnd, bindings, c, error))
                        return false;
                    if (c == Value(0)) continue;
                }
                return RunStatements(program, branch.firstStatement, branch.statementCount, bindings, result, error);
            }
            return true;
    }
    return true;
}

bool RunStatements(const Program& program, uint32_t first, uint32_t count, Bindings& bindings, Value& result,
                   Diagnostic& error) {
    for (uint32_t i = 0; i < count; ++i)
        if (!RunStatement(program, program.statements[first + i], bindings, result, error)) return false;
    return true;
}

}  // namespace

bool EvaluateExpression(const Program& program, uint32_t begin, uint32_t end, const Bindings& bindings, Value& result,
                        Diagnostic& error) {
    std::vector<Value> stack;
    stack.reserve(16);
    const char* problem = nullptr;
    for (uint32_t i = begin; i < end; ++i) {
        const Instruction& in = program.code[i];
        switch (in.op) {
            case OpCode::Number:
            case OpCode::Constant: stack.push_back(in.value); break;
            case OpCode::Variable: stack.push_back(in.arg < bindings.size() ? bindings[in.arg] : Value(0)); break;
            case OpCode::Negate:
            case OpCode::Not: stack.back() = ApplyUnary(in.op, stack.back()); break;
            case OpCode::Call: {
                const size_t argc = in.arg;
                Value r;
                if (!CallFunction(in.fn, stack.data() + (stack.size() - argc), static_cast<int>(argc), r, problem)) {
                    error = MakeDiagnostic(program.source, in.pos,
                                           Quoted(GetFunction(in.fn).name) + kPlace + " " + problem);
                    return false;
                }
                stack.resize(stack.size() - argc);
                stack.push_back(r);
                break;
            }
            default: {
                const Value b = stack.back();
                stack.pop_back();
                if (!ApplyBinary(in.op, stack.back(), b, stack.back(), problem)) {
                    error =
                        MakeDiagnostic(program.source, in.pos, Quoted(OperatorText(in.op)) + kPlace + " " + problem);
                    return false;
                }
                break;
            }
        }
    }
    result = stack.empty() ? Value(0) : stack.back();
    return true;
}

bool Evaluate(const Program& program, Bindings& bindings, Value& result, Diagnostic& error) {
    result = 0;
    if (!program.Ok()) {
        error = program.errors.empty() ? Diagnostic{"the formula has not been scanned", 0, 0} : program.errors[0];
        return false;
    }
    if (bindings.size() < program.variables.size()) bindings.resize(program.variables.size());
    return RunStatements(program, program.firstTop, program.topCount, bindings, result, error);
}

namespace {

// "%.15g" from the shortest round-trip digits: when they number 15 or fewer they are
// exactly the digits "%.15g" prints (a normal double lies closer to them than half a
// unit of the 15th digit), and the shortest conversion is several times faster than the
// precision one. Longer digit strings take the precision route.
bool AppendShortG15(std::string& out, double v) {
    // Subnormal values are too coarse for that argument: 5e-324 is 4.94065645841247e-324.
    if (v != 0 && std::fabs(v) < std::numeric_limits<double>::min()) return false;
    char sci[40];
    const auto r = std::to_chars(sci, sci + sizeof(sci), v, std::chars_format::scientific);
    if (r.ec != std::errc()) return false;
    const char* p = sci;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[24];
    int count = 0;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p != '.') digits[count++] = *p;
    if (count > 15 || p >= r.ptr) return false;
    int exponent = 0;  // the text is not zero-terminated: read it up to r.ptr only
    std::from_chars(p + (p[1] == '+' ? 2 : 1), r.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0') --count;  // %g drops trailing zeros
    if (negative) out += '-';
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out.append(digits + 1, static_cast<size_t>(count - 1));
        }
        out.append(p, static_cast<size_t>(r.ptr - p));  // "e+XX" as the scientific form wrote it
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<size_t>(count));
    } else if (count <= exponent + 1) {
        out.append(digits, static_cast<size_t>(count));
        out.append(static_cast<size_t>(exponent + 1 - count), '0');
    } else {
        out.append(digits, static_cast<size_t>(exponent + 1));
        out += '.';
        out.append(digits + exponent + 1, static_cast<size_t>(count - exponent - 1));
    }
    return true;
}

void AppendNumber(std::string& out, double v, int precision) {
    if (v == 0) v = 0;  // no "-0"
    if (precision == 15 && AppendShortG15(out, v)) return;
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::general, precision);
    out.append(buffer, r.ptr);
}

void AppendRpnCode(std::string& out, const Program& program, uint32_t begin, uint32_t end) {
    for (uint32_t i = begin; i < end; ++i) {
        const Instruction& in = program.code[i];
        if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
        switch (in.op) {
            case OpCode::Number: AppendNumber(out, in.value, 17); break;
            case OpCode::Constant: out += GetConstant(in.fn).name; break;
            case OpCode::Variable: out += program.variables[in.arg]; break;
            case OpCode::Negate: out += "NEG"; break;
            case OpCode::Call: {
                const FunctionInfo& f = GetFunction(in.fn);
                out += f.name;
                if (f.maxArgs < 0) out += "/" + std::to_string(in.arg);
                break;
            }
            default: out += OperatorText(in.op); break;
        }
    }
}

void AppendRpnStatements(std::string& out, const Program& program, uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const Statement& st = program.statements[first + i];
        if (!out.empty() && out.back() != '\n') out += ' ';
        switch (st.kind) {
            case Statement::Expression: AppendRpnCode(out, program, st.codeBegin, st.codeEnd); break;
            case Statement::Assignment:
                AppendRpnCode(out, program, st.codeBegin, st.codeEnd);
                out += ' ';
                out += program.variables[st.target];
                out += " :=";
                break;
            case Statement::If:
                for (uint32_t b = 0; b < st.branchCount; ++b) {
                    const Branch& branch = program.branches[st.firstBranch + b];
                    if (b > 0) out += " ELSE";
                    if (branch.hasCondition) {
                        out += b > 0 ? " IF" : "IF";
                        AppendRpnCode(out, program, branch.condBegin, branch.condEnd);
                    }
                    out += " {";
                    AppendRpnStatements(out, program, branch.firstStatement, branch.statementCount);
                    out += " }";
                }
                break;
        }
    }
}

}  // namespace

std::string RpnText(const Program& program) {
    std::string out;
    AppendRpnStatements(out, program, program.firstTop, program.topCount);
    return out;
}

void AppendValue(std::string& out, Value value) {
    if (value.imag() == 0) {
        AppendNumber(out, value.real(), 15);
        return;
    }
    out += '(';
    if (value.real() != 0) AppendNumber(out, value.real(), 15);
    double im = value.imag();
    if (value.real() != 0 || im < 0) {
        out += im < 0 ? '-' : '+';
        im = std::fabs(im);
    }
    AppendNumber(out, im, 15);
    out += "*sqrt(-1))";
}

}  // namespace formula
