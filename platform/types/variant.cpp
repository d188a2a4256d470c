#include <toolbox/types/variant.h>

bool COleVariant::operator==(const COleVariant& o) const {
    if (vt != o.vt) return false;
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL: return true;
        case VT_UI1: return bVal == o.bVal;
        case VT_I2: return iVal == o.iVal;
        case VT_BOOL: return boolVal == o.boolVal;
        case VT_I4: return lVal == o.lVal;
        case VT_R4: return fltVal == o.fltVal;
        case VT_CY: return cyVal.int64 == o.cyVal.int64;
        case VT_BSTR: return m_text == o.m_text;
        default: return dblVal == o.dblVal;
    }
}
