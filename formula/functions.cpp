#include "formula/functions.h"

#include <cmath>

namespace formula {
namespace {

constexpr double kPi = 3.141592653589793238462643383279502884;

enum FunctionId {
    kSin,
    kCos,
    kTan,
    kAsin,
    kAcos,
    kAtan,
    kAtan2,
    kSinh,
    kCosh,
    kTanh,
    kSqu,
    kSqrt,
    kRoot,
    kExp,
    kLn,
    kLog,
    kArg,
    kAbs,
    kRe,
    kIm,
    kSgn,
    kInt,
    kFrac,
    kRad,
    kDeg,
    kDegel,
    kMod,
    kMin,
    kMax,
    kFunctionCount
};

const FunctionInfo kFunctions[kFunctionCount] = {
    {"sin", 1, 1},   {"cos", 1, 1},   {"tan", 1, 1},  {"asin", 1, 1}, {"acos", 1, 1}, {"atan", 1, 1},
    {"atan2", 2, 2}, {"sinh", 1, 1},  {"cosh", 1, 1}, {"tanh", 1, 1}, {"squ", 1, 1},  {"sqrt", 1, 1},
    {"root", 2, 2},  {"exp", 1, 1},   {"ln", 1, 1},   {"log", 1, 1},  {"arg", 1, 1},  {"abs", 1, 1},
    {"re", 1, 1},    {"im", 1, 1},    {"sgn", 1, 1},  {"int", 1, 1},  {"frac", 1, 1}, {"rad", 1, 1},
    {"deg", 1, 1},   {"degel", 1, 1}, {"mod", 2, 2},  {"min", 1, -1}, {"max", 1, -1},
};

// CODATA 2018 values (the SI-defining constants are exact).
const ConstantInfo kConstants[] = {
    {"MATH_PI", kPi},
    {"MATH_E", 2.718281828459045235360287471352662498},
    {"PHYS_E0", 8.8541878128e-12},   // vacuum electric permittivity, F/m
    {"PHYS_MU0", 1.25663706212e-6},  // vacuum magnetic permeability, N/A^2
    {"PHYS_K", 1.380649e-23},        // Boltzmann constant, J/K
    {"PHYS_Q", 1.602176634e-19},     // elementary charge, C
    {"PHYS_C", 299792458.0},         // speed of light in vacuum, m/s
    {"PHYS_G", 6.67430e-11},         // Newtonian constant of gravitation, m^3/(kg s^2)
    {"PHYS_H", 6.62607015e-34},      // Planck constant, J s
    {"PHYS_T0", 273.15},             // 0 degrees Celsius in kelvin, K
};
constexpr int kConstantCount = static_cast<int>(sizeof(kConstants) / sizeof(kConstants[0]));

bool EqualsNoCase(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (y == '\0') return false;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return b[i] == '\0';
}

bool IsReal(Value v) { return v.imag() == 0; }
bool IsInteger(double x) { return std::isfinite(x) && std::trunc(x) == x; }

// Logarithm of a real value, complex for a negative one.
Value RealLog(double x, double scale) {
    if (x > 0) return scale == 1 ? std::log(x) : std::log(x) / scale;
    return Value(std::log(-x), kPi) / scale;
}

// x^y of real values; a negative x with a non-integer y gives a complex value.
Value RealPower(double x, double y) {
    if (x >= 0 || IsInteger(y)) return std::pow(x, y);
    const double m = std::pow(-x, y);
    if (IsInteger(2 * y)) {
        // A half-integer power of a negative number is a real root times +i or -i:
        // (-2)^0.5 is exactly sqrt(2)*i, without the rounding noise of the polar form.
        const double quarter = std::fmod(2 * y, 4.0);  // 1 or 3, or -1 or -3
        return Value(0, (quarter == 1 || quarter == -3) ? m : -m);
    }
    return std::polar(m, kPi * y);
}

}  // namespace

int FindFunction(std::string_view name) {
    if (name.size() < 2 || name.size() > 5) return -1;
    for (int i = 0; i < kFunctionCount; ++i)
        if (EqualsNoCase(name, kFunctions[i].name)) return i;
    return -1;
}

const FunctionInfo& GetFunction(int id) { return kFunctions[id]; }

int FindConstant(std::string_view name) {
    if (name.size() < 6 || name.size() > 8) return -1;
    for (int i = 0; i < kConstantCount; ++i)
        if (EqualsNoCase(name, kConstants[i].name)) return i;
    return -1;
}

const ConstantInfo& GetConstant(int id) { return kConstants[id]; }

bool IsKeyword(std::string_view name) {
    return EqualsNoCase(name, "AND") || EqualsNoCase(name, "OR") || EqualsNoCase(name, "NOT") ||
           EqualsNoCase(name, "IF") || EqualsNoCase(name, "ELSE");
}

namespace {

bool Finish(Value r, Value& result, const char*& problem) {
    if (std::isfinite(r.real()) && std::isfinite(r.imag())) {
        // A complex result whose imaginary part vanished is real; -0 becomes 0 there.
        result = r.imag() == 0 ? Value(r.real(), 0.0) : r;
        return true;
    }
    problem = (std::isnan(r.real()) || std::isnan(r.imag())) ? "has no defined value" : "overflows";
    return false;
}

bool NeedReal(const Value* args, int count, const char*& problem) {
    for (int i = 0; i < count; ++i) {
        if (!IsReal(args[i])) {
            problem = "takes real arguments only";
            return false;
        }
    }
    return true;
}

}  // namespace

bool CallFunction(int id, const Value* args, int count, Value& result, const char*& problem) {
    const Value z = count > 0 ? args[0] : Value();
    const double x = z.real();
    const bool real = IsReal(z);
    Value r;
    switch (static_cast<FunctionId>(id)) {
        case kSin: r = real ? Value(std::sin(x)) : std::sin(z); break;
        case kCos: r = real ? Value(std::cos(x)) : std::cos(z); break;
        case kTan: r = real ? Value(std::tan(x)) : std::tan(z); break;
        case kAsin: r = real && x >= -1 && x <= 1 ? Value(std::asin(x)) : std::asin(z); break;
        case kAcos: r = real && x >= -1 && x <= 1 ? Value(std::acos(x)) : std::acos(z); break;
        case kAtan: r = real ? Value(std::atan(x)) : std::atan(z); break;
        case kAtan2:
            if (!NeedReal(args, 2, problem)) return false;
            r = std::atan2(args[0].real(), args[1].real());
            break;
        case kSinh: r = real ? Value(std::sinh(x)) : std::sinh(z); break;
        case kCosh: r = real ? Value(std::cosh(x)) : std::cosh(z); break;
        case kTanh: r = real ? Value(std::tanh(x)) : std::tanh(z); break;
        case kSqu: r = real ? Value(x * x) : z * z; break;
        case kSqrt:
            if (real)
                r = x >= 0 ? Value(std::sqrt(x)) : Value(0, std::sqrt(-x));
            else
                r = std::sqrt(z);
            break;
        case kRoot: {
            const Value n = args[1];
            if (n == Value(0)) {
                problem = "is undefined for degree 0";
                return false;
            }
            if (real && IsReal(n)) {
                const double d = n.real();
                if (x >= 0) r = std::pow(x, 1 / d);
                // An odd integer degree has a real root of a negative value: root(-8, 3) = -2.
                else if (IsInteger(d) && std::fmod(std::fabs(d), 2) == 1)
                    r = -std::pow(-x, 1 / d);
                else
                    r = RealPower(x, 1 / d);
            } else {
                r = std::pow(z, Value(1) / n);
            }
            break;
        }
        case kExp: r = real ? Value(std::exp(x)) : std::exp(z); break;
        case kLn:
        case kLog: {
            const double scale = id == kLn ? 1.0 : std::log(10.0);
            if (z == Value(0)) {
                problem = "is undefined for 0";
                return false;
            }
            if (real)
                r = id == kLog && x > 0 ? Value(std::log10(x)) : RealLog(x, scale);
            else
                r = std::log(z) / scale;
            break;
        }
        case kArg: r = real ? Value(x < 0 ? kPi : 0.0) : Value(std::arg(z)); break;
        case kAbs: r = real ? Value(std::fabs(x)) : Value(std::abs(z)); break;
        case kRe: r = x; break;
        case kIm: r = z.imag(); break;
        case kSgn:
            if (real)
                r = static_cast<double>((x > 0) - (x < 0));
            else
                r = z / std::abs(z);
            break;
        case kInt: r = Value(std::trunc(x), std::trunc(z.imag())); break;
        case kFrac: r = Value(x - std::trunc(x), z.imag() - std::trunc(z.imag())); break;
        case kRad: r = z * (kPi / 180); break;
        case kDeg: r = z * (180 / kPi); break;
        case kDegel: {
            if (!NeedReal(args, 1, problem)) return false;
            double d = std::fmod(x * (180 / kPi), 360.0);
            if (d < 0) d += 360;
            if (d >= 360) d = 0;  // a tiny negative angle rounds up to 360
            r = d;
            break;
        }
        case kMod: {
            if (!NeedReal(args, 2, problem)) return false;
            const double b = args[1].real();
            if (b == 0) {
                problem = "divides by zero";
                return false;
            }
            double m = std::fmod(x, b);
            if (m != 0 && ((m < 0) != (b < 0))) m += b;
            r = m;
            break;
        }
        case kMin:
        case kMax: {
            if (!NeedReal(args, count, problem)) return false;
            double best = x;
            for (int i = 1; i < count; ++i) {
                const double v = args[i].real();
                if (id == kMin ? v < best : v > best) best = v;
            }
            r = best;
            break;
        }
        default: problem = "is unknown"; return false;
    }
    return Finish(r, result, problem);
}

bool ApplyBinary(OpCode op, Value a, Value b, Value& result, const char*& problem) {
    const bool real = IsReal(a) && IsReal(b);
    const double x = a.real(), y = b.real();
    Value r;
    switch (op) {
        case OpCode::Add: r = real ? Value(x + y) : a + b; break;
        case OpCode::Sub: r = real ? Value(x - y) : a - b; break;
        case OpCode::Mul: r = real ? Value(x * y) : a * b; break;
        case OpCode::Div:
            if (b == Value(0)) {
                problem = "divides by zero";
                return false;
            }
            r = real ? Value(x / y) : a / b;
            break;
        case OpCode::Pow:
            if (a == Value(0) && (b.real() < 0)) {
                problem = "divides by zero";
                return false;
            }
            if (real)
                r = RealPower(x, y);
            else if (IsReal(b) && IsInteger(y) && std::fabs(y) <= 64) {
                // Integer powers of complex values by repeated multiplication stay exact
                // where they can: (sqrt(-1))^2 is -1, not -1 + 1.2e-16i.
                Value p(1), base = a;
                for (long n = static_cast<long>(std::fabs(y)); n > 0; n >>= 1) {
                    if (n & 1) p *= base;
                    base *= base;
                }
                r = y < 0 ? Value(1) / p : p;
            } else {
                r = std::pow(a, b);
            }
            break;
        case OpCode::Equal: r = a == b ? 1.0 : 0.0; break;
        case OpCode::NotEqual: r = a != b ? 1.0 : 0.0; break;
        case OpCode::Less:
        case OpCode::LessEqual:
        case OpCode::Greater:
        case OpCode::GreaterEqual:
            if (!real) {
                problem = "cannot order complex values";
                return false;
            }
            r = (op == OpCode::Less        ? x < y
                 : op == OpCode::LessEqual ? x <= y
                 : op == OpCode::Greater   ? x > y
                                           : x >= y)
                    ? 1.0
                    : 0.0;
            break;
        case OpCode::And: r = (a != Value(0) && b != Value(0)) ? 1.0 : 0.0; break;
        case OpCode::Or: r = (a != Value(0) || b != Value(0)) ? 1.0 : 0.0; break;
        default: problem = "is not a binary operator"; return false;
    }
    return Finish(r, result, problem);
}

Value ApplyUnary(OpCode op, Value a) {
    if (op == OpCode::Not) return a == Value(0) ? 1.0 : 0.0;
    // A real value keeps a +0 imaginary part, so that the branch cuts of sqrt, ln and
    // '^' see -2 and not -2 - 0i.
    return Value(-a.real(), a.imag() == 0 ? 0.0 : -a.imag());
}

const char* OperatorText(OpCode op) {
    switch (op) {
        case OpCode::Negate: return "-";
        case OpCode::Not: return "NOT";
        case OpCode::Add: return "+";
        case OpCode::Sub: return "-";
        case OpCode::Mul: return "*";
        case OpCode::Div: return "/";
        case OpCode::Pow: return "^";
        case OpCode::Equal: return "=";
        case OpCode::NotEqual: return "<>";
        case OpCode::Less: return "<";
        case OpCode::LessEqual: return "<=";
        case OpCode::Greater: return ">";
        case OpCode::GreaterEqual: return ">=";
        case OpCode::And: return "AND";
        case OpCode::Or: return "OR";
        default: return "?";
    }
}

}  // namespace formula
