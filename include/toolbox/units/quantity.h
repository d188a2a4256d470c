/// \file
/// \brief Physical quantities and their units.
// Physical quantities and their units. A main quantity has one base unit and further
// units, each carrying two conversion expressions (to the base unit and back, "%v"
// standing for the value). A sub-quantity has no base unit of its own: it shares the
// base unit and the units of the quantities above it and adds units of its own.
#pragma once

#include <toolbox/types/maps.h>

class CUnitManager;

/// One unit: acronym (its key), long name and the two conversion expressions.
class TB_EXPORT CUnit : public CObject {
public:
    /// A unit without conversions (a base unit).
    CUnit(const char* acronym, const char* name);
    /// A unit converted to the base unit by toBase and back by fromBase ("%v" = the value).
    CUnit(const char* acronym, const char* name, const char* toBase, const char* fromBase);
    ~CUnit() override;

    /// Changes the acronym (the quantity's key does not change).
    void SetUnitAcronym(const char* text) { m_acronym = text; }
    /// Changes the long name.
    void SetUnitName(const char* text) { m_name = text; }
    /// Sets the expression into the base unit.
    void SetToBaseConversion(const char* text) { m_toBase = text; }
    /// Sets the expression from the base unit.
    void SetFromBaseConversion(const char* text) { m_fromBase = text; }
    /// The acronym, in unit notation ("`k\Ohm\`").
    CString& GetUnitAcronym() { return m_acronym; }
    /// The long name.
    CString& GetUnitName() { return m_name; }
    /// Expression turning a value in this unit into the base unit ("%v" = the value).
    CString& GetToBaseConversion() { return m_toBase; }
    /// Expression turning a value in the base unit into this unit.
    CString& GetFromBaseConversion() { return m_fromBase; }

private:
    CString m_acronym;
    CString m_name;
    CString m_toBase;
    CString m_fromBase;
};

/// A physical quantity. Owns its base unit and its own units; does not own its
/// sub-quantities (the catalogue does).
class TB_EXPORT CQuantity : public CObject {
public:
    /// A given main quantity gets this quantity appended to its sub-quantity list.
    CQuantity(CUnitManager* manager, const char* name, CQuantity* mainQuantity);
    ~CQuantity() override;
    CQuantity(const CQuantity&) = delete;
    CQuantity& operator=(const CQuantity&) = delete;

    /// Sets the main quantity and, when not null, appends this quantity to its list
    /// (the earlier main quantity's list is left as it is).
    void SetMainQuantity(CQuantity* mainQuantity);
    /// The quantity above this one; null for a main quantity.
    CQuantity* GetMainQuantity() const { return m_mainQuantity; }
    /// Sets the catalogue the quantity belongs to (not owned).
    void SetUnitManager(CUnitManager* manager) { m_unitManager = manager; }
    /// The unit manager (the getter bears the setter's name).
    CUnitManager* SetUnitManager() const { return m_unitManager; }
    /// Renames the quantity (the catalogue's key does not change).
    void SetQuantityName(const char* name) { m_name = name; }
    /// The quantity's name.
    CString& GetQuantityName() { return m_name; }

    /// Creates the base unit or renames the existing one; 1, or 0 out of memory.
    int AddBaseUnit(const char* acronym, const char* name);
    /// Adds a unit, or overwrites all four fields of the own unit of that acronym in
    /// place (keeping its position); 1, or 0 out of memory.
    int AddUnit(const char* acronym, const char* name, const char* toBase, const char* fromBase);
    /// Removes and destroys an own unit; 0 when there is none of that acronym.
    int RemoveUnit(const char* acronym);
    /// The unit of that acronym here or up the chain of main quantities; null if none.
    CUnit* GetUnitObject(const char* acronym) const;
    /// The own unit of that acronym (base unit or unit table), without going up.
    CUnit* GetOwnUnitObject(const char* acronym) const;
    /// The base unit of the topmost quantity of the chain; null when it has none.
    CUnit* GetBaseUnitObject() const;
    /// Appends the unit list: the topmost base unit (withBase), the own units in table
    /// order, then those of the main quantities (withMain).
    void FillUnitArray(CArray<CUnit*>& units, int withBase, int withMain) const;
    /// Appends to the sub-quantity list (no duplicate check); 1.
    int AddSubQuantity(CQuantity* sub);
    /// Removes the last occurrence of sub from the list; 0 when absent.
    int RemoveSubQuantity(CQuantity* sub);
    /// Replaces the array's content by a copy of the sub-quantity list; 1.
    int GetSubQuantityArray(CArray<CQuantity*>& subs) const;
    /// Writes this quantity's section and, recursively, those of its sub-quantities.
    void WriteQuanitity(const char* file);

    /// The own unit table (acronym -> unit, 17 buckets, owning).
    const CMap<CString, const char*, CUnit*, CUnit*>& GetUnitTable() const { return m_units; }
    /// The sub-quantity list, read-only.
    const CArray<CQuantity*>& GetSubQuantities() const { return m_subQuantities; }

private:
    void WriteSection(const char* file);

    CString m_name;
    CQuantity* m_mainQuantity = nullptr;
    CUnitManager* m_unitManager = nullptr;
    CUnit* m_baseUnit = nullptr;
    CMap<CString, const char*, CUnit*, CUnit*> m_units;
    CArray<CQuantity*> m_subQuantities;
};
