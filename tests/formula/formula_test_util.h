// Shared helpers of the formula tests.
#pragma once

#include "formula/engine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace formula_test {

using formula::Value;

/// Bindings for the program's variables: the values named in vars, 0 for the others.
inline formula::Bindings Bind(const formula::Program& program, const std::vector<std::pair<std::string, Value>>& vars) {
    formula::Bindings bindings(program.variables.size());
    for (const auto& v : vars)
        for (size_t i = 0; i < program.variables.size(); ++i)
            if (program.variables[i] == v.first) bindings[i] = v.second;
    return bindings;
}

/// Parses and evaluates text with the given variable values; fails the test with the
/// messages when it does not parse.
inline ::testing::AssertionResult EvaluatesTo(const std::string& text, Value expected,
                                              const std::vector<std::pair<std::string, Value>>& vars = {},
                                              double relTolerance = 1e-15) {
    formula::Program program;
    if (!formula::Parse(text, program))
        return ::testing::AssertionFailure() << "'" << text << "' does not parse: " << program.errors[0].message;
    formula::Bindings bindings = Bind(program, vars);
    Value result;
    formula::Diagnostic error;
    if (!formula::Evaluate(program, bindings, result, error))
        return ::testing::AssertionFailure() << "'" << text << "' fails: " << error.message;
    const double scale = std::max(1.0, std::abs(expected));
    if (std::abs(result - expected) > relTolerance * scale)
        return ::testing::AssertionFailure()
               << "'" << text << "' gives (" << result.real() << ", " << result.imag() << ") instead of ("
               << expected.real() << ", " << expected.imag() << "); reverse Polish: " << formula::RpnText(program);
    return ::testing::AssertionSuccess();
}

/// The first error message of parsing text, or "" when it parses.
inline std::string ParseError(const std::string& text) {
    formula::Program program;
    if (formula::Parse(text, program)) return "";
    return program.errors[0].message;
}

/// All error messages of parsing text, joined by '|'.
inline std::string ParseErrors(const std::string& text) {
    formula::Program program;
    formula::Parse(text, program);
    std::string all;
    for (const auto& e : program.errors) all += (all.empty() ? "" : "|") + e.message;
    return all;
}

/// The simplified text, or "error: <message>".
inline std::string Simplified(const std::string& text) {
    formula::Program program;
    if (!formula::Parse(text, program)) return "error: " + program.errors[0].message;
    std::string out;
    formula::Diagnostic error;
    if (!formula::Simplify(program, out, error)) return "error: " + error.message;
    return out;
}

/// The evaluation error message, or "" when it evaluates.
inline std::string EvaluationError(const std::string& text) {
    formula::Program program;
    if (!formula::Parse(text, program)) return "parse: " + program.errors[0].message;
    formula::Bindings bindings(program.variables.size());
    Value result;
    formula::Diagnostic error;
    if (formula::Evaluate(program, bindings, result, error)) return "";
    return error.message;
}

}  // namespace formula_test
