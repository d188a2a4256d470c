// The functions and named constants of the formula language.
#pragma once

#include "formula/engine.h"

#include <string_view>

namespace formula {

struct FunctionInfo {
    const char* name;
    int minArgs;
    int maxArgs;  // -1: any number from minArgs on
};

struct ConstantInfo {
    const char* name;
    double value;
};

/// Function id of name (ASCII case-insensitive), -1 when it is none.
int FindFunction(std::string_view name);
const FunctionInfo& GetFunction(int id);

/// Constant id of name (ASCII case-insensitive), -1 when it is none.
int FindConstant(std::string_view name);
const ConstantInfo& GetConstant(int id);

/// Keywords AND OR NOT IF ELSE (ASCII case-insensitive).
bool IsKeyword(std::string_view name);

/// Applies function id to args[0..count). Returns false with problem set to a short
/// reason ("is undefined for 0") when the result has no finite value or an argument
/// is of the wrong kind; the caller adds the place.
bool CallFunction(int id, const Value* args, int count, Value& result, const char*& problem);

/// Applies a binary operator; same failure rules as CallFunction.
bool ApplyBinary(OpCode op, Value a, Value b, Value& result, const char*& problem);

/// Applies NEG or NOT.
Value ApplyUnary(OpCode op, Value a);

/// The operator's text in formulas ("+", "<=", "AND").
const char* OperatorText(OpCode op);

}  // namespace formula
