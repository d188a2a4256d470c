// The fields of a symbol line: separated by blanks, quoted texts kept whole.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/types/windef.h>

#include <vector>

namespace tbsym {

/// Symbol coordinates and sizes lie within plus and minus this many units.
constexpr long kCoordinateLimit = 1000000;

struct Field {
    CString text;
    bool quoted = false;
    /// A quoted text without its closing quote.
    bool unterminated = false;
};

std::vector<Field> SplitFields(const CString& line);
/// A decimal integer within [low, high], the whole field.
bool ParseInt(const CString& text, long low, long high, long& value);
/// "x,y" with decimal integers within the coordinate limit.
bool ParsePoint(const CString& text, POINT& point);
/// n comma-separated integers within the coordinate limit.
bool ParseInts(const CString& text, int n, long* values);

}  // namespace tbsym
