/// \file
/// \brief COleVariant: a tagged value as database cells carry it.
// COleVariant: a tagged value as database cells carry it. Only the variant types that
// the exchange formats meet are supported; the numeric codes are those stored by the
// framework so that a type read from a file or a table means the same here.
#pragma once

#include <toolbox/types/cstring.h>

#include <cstdint>

typedef unsigned short VARTYPE;  ///< Which member of a COleVariant holds the value (VARENUM).

/// The variant types the table exchange uses.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UI1 = 17,
};

typedef short VARIANT_BOOL;  ///< A variant boolean: VARIANT_TRUE (-1) or VARIANT_FALSE (0).
constexpr VARIANT_BOOL VARIANT_TRUE = -1;  ///< True in a variant boolean.
constexpr VARIANT_BOOL VARIANT_FALSE = 0;  ///< False in a variant boolean.

/// Currency: a 64-bit integer of ten-thousandths.
struct CY {
    /// The amount times 10,000.
    std::int64_t int64 = 0;
};

/// A value of one of the variant types the table exchange uses (empty, integers,
/// floats, currency, date, boolean, text).
class TB_EXPORT COleVariant {
public:
    /// Which member of the union holds the value (VT_EMPTY, VT_NULL, VT_I2, VT_BSTR...).
    VARTYPE vt = VT_EMPTY;
    union {
        BYTE bVal;
        short iVal;
        std::int32_t lVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        CY cyVal;
        double date;
    };

    COleVariant() : dblVal(0) {}
    /// A byte (VT_UI1).
    COleVariant(BYTE v) : vt(VT_UI1), dblVal(0) { bVal = v; }
    /// A 2-byte integer, or a boolean when vtSrc is VT_BOOL (any non-zero is true).
    COleVariant(short v, VARTYPE vtSrc = VT_I2) : vt(vtSrc == VT_BOOL ? VT_BOOL : VT_I2), dblVal(0) {
        if (vt == VT_BOOL)
            boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
        else
            iVal = v;
    }
    /// A 4-byte integer (VT_I4).
    COleVariant(std::int32_t v) : vt(VT_I4), dblVal(0) { lVal = v; }
    /// A single-precision number (VT_R4).
    COleVariant(float v) : vt(VT_R4), dblVal(0) { fltVal = v; }
    /// A double-precision number (VT_R8).
    COleVariant(double v) : vt(VT_R8), dblVal(v) {}
    /// A currency amount (VT_CY).
    COleVariant(CY v) : vt(VT_CY), dblVal(0) { cyVal = v; }
    /// A text (VT_BSTR); null gives the empty text.
    COleVariant(const char* text) : vt(VT_BSTR), dblVal(0), m_text(text) {}
    /// A text (VT_BSTR).
    COleVariant(const CString& text) : vt(VT_BSTR), dblVal(0), m_text(text) {}

    /// Empties the variant (VT_EMPTY).
    void Clear() {
        vt = VT_EMPTY;
        dblVal = 0;
        m_text.Empty();
    }
    /// The text of a string variant; empty for every other type.
    const CString& GetText() const { return m_text; }
    /// Makes the variant the text (VT_BSTR).
    void SetText(const CString& text) {
        Clear();
        vt = VT_BSTR;
        m_text = text;
    }
    /// The null value (VT_NULL), a database field without a value.
    static COleVariant Null() {
        COleVariant v;
        v.vt = VT_NULL;
        return v;
    }
    /// A date (VT_DATE): days since 30 December 1899, the fraction being the time of day.
    static COleVariant Date(double days) {
        COleVariant v(days);
        v.vt = VT_DATE;
        return v;
    }

    /// True when both have the same type and the same value (empty equals empty, null equals null).
    bool operator==(const COleVariant& o) const;
    /// True when type or value differ.
    bool operator!=(const COleVariant& o) const { return !(*this == o); }

private:
    CString m_text;
};
