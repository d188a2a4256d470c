// The compiled form of a composed conversion formula, for values that are plain
// numbers. It covers the part of the formula language that conversion expressions use
// (numbers, "%v", the named constants, parentheses, unary and binary + - * /) and
// evaluates it with the same double arithmetic in the same order as the formula
// engine folds it, so the printed result is the one the plug-ins would give. Anything
// outside that part, and any step without a finite result, leaves the conversion to
// the plug-ins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tb_units {

/// One operation of a compiled expression (reverse Polish).
struct Step {
    enum Op : uint8_t { Number, Value, Negate, Add, Sub, Mul, Div } op;
    double number = 0;
};

/// A compiled conversion: the value's steps are Step::Value.
struct Compiled {
    bool usable = false;  ///< false: the formula needs the plug-ins
    std::vector<Step> steps;
};

/// Compiles expression (with "%v" as the value) into out, appending; false when it
/// uses anything outside the covered part of the language.
bool CompileExpression(std::string_view expression, std::vector<Step>& out);

/// Parses text as a plain decimal number the way the formula engine reads one
/// ([+-]digits[.digits][e[+-]digits], no prefix); false for anything else.
bool ParsePlainNumber(std::string_view text, double& value);

/// Runs steps with value; false when a step divides by zero or is not finite.
bool Run(const std::vector<Step>& steps, double value, double& result);

/// Prints a result as the simplifier prints a real number ("%.15g", no "-0").
void AppendResult(std::string& out, double value);

/// Unit pair -> compiled formula. The key holds the two expressions themselves, so an
/// edited unit simply finds no entry. Bounded: cleared when it grows past kMaxEntries.
class ConversionCache {
public:
    static constexpr size_t kMaxEntries = 4096;
    /// The compiled conversion for the pair; compiled on first use.
    const Compiled& Get(bool fromIsBase, const std::string& toBase, bool toIsBase, const std::string& fromBase);

private:
    std::unordered_map<std::string, Compiled> m_entries;
    std::string m_key;
};

}  // namespace tb_units
