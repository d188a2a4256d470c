// The formula engine shared by the three plug-ins: scanner and parser to reverse Polish
// form, evaluator, and simplifier. Everything works on bytes (UTF-8); nothing throws
// except std::bad_alloc, which the plug-ins' entry points catch.
#pragma once

#include <complex>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formula {

using Value = std::complex<double>;

/// Deepest nesting of parentheses, function calls, unary operators, powers and
/// conditional blocks that the parser accepts; deeper input gets an error instead of
/// exhausting the stack.
constexpr int kMaxNesting = 200;
/// Errors collected from one formula before the parser gives up on the rest.
constexpr int kMaxErrors = 20;

enum class OpCode : uint8_t {
    Number,    // push value
    Constant,  // push a named constant (fn = constant id), value holds it
    Variable,  // push variable arg
    Negate,
    Not,
    Add,
    Sub,
    Mul,
    Div,
    Pow,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    And,
    Or,
    Call  // fn = function id, arg = argument count
};

/// One instruction of the reverse Polish code.
struct Instruction {
    OpCode op;
    uint8_t fn = 0;
    uint32_t pos = 0;  // byte offset of the token in the formula, for messages
    uint32_t arg = 0;  // variable index or argument count
    double value = 0;
};

/// A statement: an expression, an assignment or an IF chain. Code ranges index
/// Program::code; child ranges index Program::branches and Program::statements.
struct Statement {
    enum Kind : uint8_t { Expression, Assignment, If } kind = Expression;
    uint32_t pos = 0;
    uint32_t target = 0;                  // assigned variable
    uint32_t codeBegin = 0, codeEnd = 0;  // expression or assigned value
    uint32_t firstBranch = 0, branchCount = 0;
};

/// One branch of an IF chain: IF(...) or ELSE IF(...) with a condition, ELSE without.
struct Branch {
    bool hasCondition = false;
    uint32_t pos = 0;
    uint32_t condBegin = 0, condEnd = 0;
    uint32_t firstStatement = 0, statementCount = 0;
};

/// An error with its place; message is complete ("... at column 5").
struct Diagnostic {
    std::string message;
    int line = 0;
    int column = 0;
};

/// A scanned formula.
struct Program {
    std::vector<Instruction> code;
    std::vector<Statement> statements;
    std::vector<Branch> branches;
    uint32_t firstTop = 0, topCount = 0;  // the top-level statements
    std::vector<std::string> variables;   // distinct names, in order of first appearance
    std::vector<uint32_t> assigned;       // indices into variables, distinct, first-appearance order
    int kind = -1;                        // 0 expression, 1 assignment, 2 block
    std::vector<Diagnostic> errors;
    std::string source;  // the formula, for the places in later messages

    void Clear();
    bool Ok() const { return errors.empty() && kind >= 0; }
};

/// Parses text into program (cleared first). Returns true on success; otherwise
/// program.errors holds at least one message and kind is -1.
bool Parse(std::string_view text, Program& program);

/// The reverse Polish code as text: numbers with 17 significant digits, names,
/// operators, "NEG", "NOT", calls as name/argc, statements as "name :=" after their
/// value, IF chains in braces. For reading by people and tests.
std::string RpnText(const Program& program);

/// Variables' values, indexed like Program::variables.
using Bindings = std::vector<Value>;

/// Runs the program: assignments store into bindings, IF chains take the first branch
/// whose condition is true (non-zero). result receives the value of the last
/// expression or assignment executed (0 when none ran). Returns false with error set
/// on a division by zero or a function outside its domain that has no finite value.
bool Evaluate(const Program& program, Bindings& bindings, Value& result, Diagnostic& error);

/// Evaluates the code range [begin, end) of one expression.
bool EvaluateExpression(const Program& program, uint32_t begin, uint32_t end, const Bindings& bindings, Value& result,
                        Diagnostic& error);

/// Writes the program back as formula text with every constant part folded; a program
/// of numbers only gives one number printed like "%.15g". Returns false with error set
/// when a constant part has no finite value.
bool Simplify(const Program& program, std::string& out, Diagnostic& error);

/// Prints a value as the simplifier does: "%.15g" for a real value, and a
/// re-readable form "(a+b*sqrt(-1))" for a complex one.
void AppendValue(std::string& out, Value value);

/// Marks where MakeDiagnostic puts the place of an error inside a message.
constexpr char kPlaceMark = '\x01';
constexpr const char kPlace[] = "\x01";

/// Makes a diagnostic for the byte offset pos of text: "<what> at column C" or
/// "<what> at line L, column C" when the text has several lines; a kPlaceMark in what
/// takes the place instead of the end.
Diagnostic MakeDiagnostic(std::string_view text, size_t pos, const std::string& what);

}  // namespace formula
