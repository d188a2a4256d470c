/// \file
/// \brief CExImPortChannel: one named column of values with a unit, the unit of exchange between host programs and the file formats.
// CExImPortChannel: one named column of values with a unit, the unit of exchange
// between host programs and the file formats. The value storage belongs to the host:
// a channel only points at it and never deletes a container object.
#pragma once

#include <toolbox/types/types.h>

/// One named column of values with a unit: what travels between a host and the file formats. The channel points at the host's storage (a raw block, a double, string or variant array) and never deletes a container object.
class TB_EXPORT CExImPortChannel {
public:
    /// Empty name and unit, no storage.
    CExImPortChannel() = default;
    /// Copies share the value storage of their source.
    CExImPortChannel(const CExImPortChannel&) = default;
    /// Copies name, unit and storage pointers; both then share the storage.
    CExImPortChannel& operator=(const CExImPortChannel&) = default;
    /// Destroys the two strings only; the storage stays the host's.
    ~CExImPortChannel() = default;

    /// The channel's name (a column title).
    CString GetChannelName() const { return m_name; }
    /// Sets the channel's name.
    void SetChannelName(CString name) { m_name = name; }
    /// The channel's unit, in unit notation.
    CString GetUnitName() const { return m_unit; }
    /// Sets the channel's unit.
    void SetUnitName(CString unit) { m_unit = unit; }

    /// Raw block of doubles; a reader writes NrItems values into it, never more.
    double* GetDoublePtr() const { return m_doublePtr; }
    /// The double array the channel reads into or writes from; null when none.
    CArray<double, double>* GetDoubleArray() const { return m_doubleArray; }
    /// The string array the channel reads into or writes from; null when none.
    CStringArray* GetStringArray() const { return m_stringArray; }
    /// The variant array the channel reads into or writes from; null when none.
    CArray<COleVariant, COleVariant>* GetVariantArray() const { return m_variantArray; }

    /// Frees the old raw block (allocated with new[]), then stores the new pointer.
    void SetDoublePtr(double* values);
    /// Frees the old array's elements (the array object stays), then stores values.
    void SetDoubleArray(CArray<double, double>* values);
    /// Sets the old array's size to 0, then stores values.
    void SetStringArray(CStringArray* values);
    /// Destroys the old array's elements (the array object stays), then stores values.
    void SetVariantArray(CArray<COleVariant, COleVariant>* values);

    /// True when any of the four storage pointers is set.
    bool HasStorage() const { return m_doublePtr || m_doubleArray || m_stringArray || m_variantArray; }

private:
    CString m_name;
    CString m_unit;
    double* m_doublePtr = nullptr;
    CArray<double, double>* m_doubleArray = nullptr;
    CStringArray* m_stringArray = nullptr;
    CArray<COleVariant, COleVariant>* m_variantArray = nullptr;
};
