/// \file
/// \brief The catalogue of physical quantities, read from and written to the unit configuration file (a private-profile file), and the conversion of values between units of one quantity through the formula plug-ins.
// The catalogue of physical quantities, read from and written to the unit
// configuration file (a private-profile file), and the conversion of values between
// units of one quantity through the formula plug-ins.
//
// File layout: section "MainQuantities" lists Q1, Q2... (the series ends at the first
// missing or empty key); each quantity's section holds "BaseUnit" and "BUT" (main
// quantities only), the units U%d / T%d / TBC%d / FBC%d and the sub-quantities SQ%d.
//
// Decisions for damaged catalogues: a sub-quantity that names one of the quantities
// being read above it (a cycle) is skipped; sub-quantities nest at most
// kMaxQuantityDepth levels (deeper ones are skipped); a name read twice replaces the
// earlier quantity, which goes together with its whole subtree, detached from its
// main quantity, so nothing is left pointing at a destroyed quantity.
#pragma once

#include <toolbox/units/quantity.h>
#include <toolbox/units/unit_notation.h>

#include <toolbox/formula/formula_api.h>

/// Deepest nesting of sub-quantities read from a file (main quantity = level 1).
constexpr int kMaxQuantityDepth = 256;

/// Binding to the three formula plug-ins, held by a unit manager.
class TB_EXPORT CUnitFormulaSolver {
public:
    CUnitFormulaSolver() = default;
    ~CUnitFormulaSolver();
    CUnitFormulaSolver(const CUnitFormulaSolver&) = delete;
    CUnitFormulaSolver& operator=(const CUnitFormulaSolver&) = delete;

    /// Loads "Quendral.dll", "lurvenc.dll" and "Vexa2000.dll" through the library
    /// registry and finds the four entry points; on failure releases what it loaded.
    bool Create();
    /// Releases the libraries through the registry.
    void Release();
    /// Reduces formula in place; false (formula unchanged) when it cannot be reduced.
    bool Evaluate(CString& formula) const;

    HMODULE m_solverLibrary = nullptr;      ///< "Quendral.dll"
    HMODULE m_translatorLibrary = nullptr;  ///< "lurvenc.dll"
    HMODULE m_simulatorLibrary = nullptr;   ///< "Vexa2000.dll"
    PFN_UpnToSimplifyString m_upnToSimplifyString = nullptr;  ///< UpnToSimplifyString of the solver library.
    PFN_Fml2Upn m_fml2Upn = nullptr;  ///< Fml2Upn of the translator library.
    PFN_CreateCFormelHelper m_createCFormelHelper = nullptr;  ///< CreateCFormelHelper of the translator library.
    PFN_DestroyCFormelHelper m_destroyCFormelHelper = nullptr;  ///< DestroyCFormelHelper of the translator library.
};

namespace tb_units {
class ConversionCache;
}

/// The catalogue: quantity name -> quantity (17 buckets, owning), main quantities and
/// sub-quantities alike.
class TB_EXPORT CUnitManager : public CObject {
public:
    CUnitManager();
    /// Destroys every quantity, releases the solver and drops the configuration file
    /// from the profile cache without saving.
    ~CUnitManager() override;
    CUnitManager(const CUnitManager&) = delete;
    CUnitManager& operator=(const CUnitManager&) = delete;

    /// Replaces the catalogue by the file's content (null: "template/units.skl" beside
    /// the library). 1, also for a missing file; 0 when the library's path is unknown.
    int ReadUnitCfg(const char* file);
    /// Writes the catalogue to file (replacing it).
    void WriteUnitCfg(const char* file);
    /// Stores q under its name; another quantity of that name is destroyed with its
    /// subtree. 1.
    int AddQuantity(CQuantity* q);
    /// Removes and destroys the quantity and all its sub-quantities; 1 also for an
    /// unknown name.
    int DeleteQuantity(const char* name);
    /// 0 when name is null or unknown.
    int GetQuantity(const char* name, CQuantity*& q) const;
    /// Appends every quantity (mainOnly: those without main quantity) in table order.
    int GetQuantityArray(CArray<CQuantity*>& out, int mainOnly) const;
    /// Appends the quantity's full unit list; 0 for an unknown quantity.
    int GetUnitArray(const char* quantity, CArray<CUnit*>& out) const;
    /// The same list as acronyms.
    int GetUnitArray(const char* quantity, CStringArray& out) const;
    /// The unit of quantity that a user or caller spelt, in any form TBMatchUnit
    /// accepts ("kΩ", "kOhm", "°C", "degC", "µF"); the acronym itself always finds its
    /// own unit. Returns TB_UNIT_FOUND with unit set, else unit null and
    /// TB_UNIT_NOT_FOUND (also for an unknown quantity) or TB_UNIT_AMBIGUOUS; message,
    /// when given, then says why in words naming the units. GetQuantity, GetUnitArray
    /// and CQuantity::GetUnitObject stay exact for hosts that rely on that.
    int FindUnit(const char* quantity, const char* spelling, CUnit*& unit, CString* message = nullptr) const;
    /// Converts value (text, may be a formula) from one unit of quantity to another;
    /// out receives the result text, or the composed formula when it cannot be
    /// reduced. 0 (out unchanged) for unknown names, no base unit, or missing plug-ins.
    /// The units are found as FindUnit finds them; an ambiguous spelling gives 0.
    int Convert(const char* quantity, const char* from, const char* value, const char* to, CString& out);
    /// The configuration file last read.
    const CString& GetFileName() const { return m_fileName; }
    /// Conversions between plain numbers reuse a compiled form of each unit pair's
    /// composed formula, evaluated with the same arithmetic the simplifier folds with.
    /// Off: every conversion goes through the plug-ins (tests compare both).
    void SetConversionCache(int on) { m_useCache = on != 0; }

protected:
    /// Destroys every quantity.
    void Free();
    /// Reads the quantity section name of file with its units and sub-quantities (a circular or too deep one is skipped) under mainQuantity; 1, or 0 when a main quantity has no BaseUnit or memory runs out.
    int ReadQuantity(const char* file, const char* name, CQuantity* mainQuantity);

private:
    CUnit* ResolveUnit(CQuantity* q, const char* spelling) const;
    int ReadQuantityAt(const char* file, const char* name, CQuantity* mainQuantity, int depth);
    bool IsBeingRead(const char* name) const;
    void DestroyTree(CQuantity* q);

    CUnitFormulaSolver* m_solver = nullptr;
    CString m_fileName;
    CMap<CString, const char*, CQuantity*, CQuantity*> m_quantities;
    tb_units::ConversionCache* m_cache = nullptr;
    CArray<CQuantity*> m_reading;  // the chain of quantities being read, for cycles
    bool m_useCache = true;
};

/// What TBMatchUnit and CUnitManager::FindUnit found.
enum TBUnitMatch { TB_UNIT_NOT_FOUND = 0, TB_UNIT_FOUND = 1, TB_UNIT_AMBIGUOUS = 2 };

/// Finds the unit that spelling names among units (a quantity's full unit list; a
/// later unit of an acronym already listed is hidden by the earlier one). First the
/// acronym byte for byte; then the same lookup form (TBUnitLookupForm: "°C" and
/// "degC" find "\deg\C", "kΩ" and "kOhm" "k\Ohm\", "µF" and "μF" "uF", "m²" "m^2");
/// then the same form ignoring the case of ASCII letters ("kohm", "hz"), except for
/// a unit that differs from another unit of catalogue (of units when catalogue is
/// null) in case alone: "mS" and "ms" are only found as written. Two units found at
/// one step make the spelling ambiguous: found and other receive both. Test the
/// result against TB_UNIT_FOUND: an ambiguous spelling gives a non-zero result too.
TB_EXPORT int TBMatchUnit(const CArray<CUnit*>& units, const char* spelling, const CUnitManager* catalogue,
                          CUnit*& found, CUnit** other = nullptr);

/// The first shared catalogue (conversion functions and unit combo boxes), loaded from
/// the default file at first use; a failed first load is not repeated.
TB_EXPORT CUnitManager& TBGetSharedUnitManager();
/// The second shared catalogue (the unit edit), loaded independently.
TB_EXPORT CUnitManager& TBGetSharedUnitEditManager();

/// Convert on the shared catalogue. Zero-terminated strings in, out string.
TB_EXPORT int TBConvertUnits(const char* quantity, const char* from, const char* value, const char* to, CString& out);
/// The base unit's acronym of quantity (of the topmost quantity for a sub-quantity);
/// 0 when the quantity is unknown or has no base unit.
TB_EXPORT int TBGetBaseUnit(const char* quantity, CString& out);
