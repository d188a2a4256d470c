/// \file
/// \brief The materials catalogue: conductor and insulator materials, each a set of property values with their units, all kept as text as read from the materials file ("template/materials.skl" beside the running program).
// The materials catalogue: conductor and insulator materials, each a set of property
// values with their units, all kept as text as read from the materials file
// ("template/materials.skl" beside the running program).
//
// File layout: section "MainMaterials" lists M1, M2... (the series ends at the first
// missing or empty key); each material's section holds the conductor keys
// "spgc-", "shcc-", "kc-", "alpha-", "rho-", "tcmelt-" and the insulator keys "spgi-",
// "shci-", "ki-", "timelt-", each as "-value" and "-unit".
#pragma once

#include <toolbox/types/maps.h>

class CTBMaterialManager;

/// Number of conductor and insulator properties.
///@{
constexpr int kConductorProperties = 6;
constexpr int kInsulatorProperties = 4;
///@}

/// One material. The values and units are public data.
class TB_EXPORT CTBMaterial : public CObject {
public:
    /// A material called name of manager (not owned); no property valid yet.
    CTBMaterial(CTBMaterialManager* manager, const char* name);
    ~CTBMaterial() override;

    /// Sets the catalogue the material belongs to (not owned).
    void SetMaterialManager(CTBMaterialManager* manager) { m_materialManager = manager; }
    /// The manager (the getter bears the setter's name).
    CTBMaterialManager* SetMaterialManager() const { return m_materialManager; }
    /// Renames the material (the catalogue's key does not change).
    void SetMaterialName(const char* name) { m_name = name; }
    /// The material's name.
    CString& GetMaterialName() { return m_name; }
    /// Reads the conductor group, then the insulator group, from the material's section.
    void ReadMaterial(const char* file);
    /// Writes the valid groups to the material's section.
    void WriteMaterial(const char* file);

    /// Property key stems, in reading order.
    static const char* const kConductorKeys[kConductorProperties];
    static const char* const kInsulatorKeys[kInsulatorProperties];  ///< Insulator property key stems, in reading order.

    CTBMaterialManager* m_materialManager;  ///< The catalogue the material belongs to; not owned.
    CString m_name;  ///< The material's name and section.
    int m_conductorValid = 0;  ///< 1 when all twelve conductor keys were read non-empty
    /// Specific gravity, specific heat capacity, thermal conductivity, temperature
    /// coefficient of resistance, resistivity, melting point.
    CString m_conductorValue[kConductorProperties];
    CString m_conductorUnit[kConductorProperties];  ///< Units of the conductor values, as written in the file.
    int m_insulatorValid = 0;  ///< 1 when all eight insulator keys were read non-empty
    /// Specific gravity, specific heat capacity, thermal conductivity, melting point.
    CString m_insulatorValue[kInsulatorProperties];
    CString m_insulatorUnit[kInsulatorProperties];  ///< Units of the insulator values, as written in the file.

protected:
    /// Reads the six conductor values and units; m_conductorValid 1 when all twelve are present and not empty.
    void ReadConductor(const char* file);
    /// Reads the four insulator values and units; m_insulatorValid 1 when all eight are present and not empty.
    void ReadInsulator(const char* file);
};

/// Material name -> material, 17 buckets, owning.
class TB_EXPORT CTBMaterialManager : public CObject {
public:
    CTBMaterialManager();
    ~CTBMaterialManager() override;
    CTBMaterialManager(const CTBMaterialManager&) = delete;
    CTBMaterialManager& operator=(const CTBMaterialManager&) = delete;

    /// Replaces the catalogue by the file's content (null: the default file). 1, also
    /// for a missing file; 0 when the program's path is unknown.
    int ReadUnitCfg(const char* file);
    /// Writes the catalogue to file (replacing it).
    void WriteUnitCfg(const char* file);
    /// Stores the material under its name; another one of that name is destroyed. 1.
    int AddMaterial(CTBMaterial* material);
    /// Removes and destroys the material; 1 also for an unknown name.
    int DeleteMaterial(const char* name);
    /// 0 for an unknown name.
    int GetMaterial(const char* name, CTBMaterial*& material) const;
    /// Appends every material in table order; 1.
    int GetMaterialArray(CArray<CTBMaterial*>& out) const;

protected:
    /// Reads the material section name of file and adds it; 1, or 0 out of memory.
    int ReadMaterial(const char* file, const char* name);
    /// Destroys every material.
    void Free();

private:
    CMap<CString, const char*, CTBMaterial*, CTBMaterial*> m_materials;
};

/// The shared materials catalogue, loaded from the default file at first use (a
/// failed first load is not repeated).
TB_EXPORT CTBMaterialManager& TBGetSharedMaterialManager();
/// Looks a material up in the shared catalogue; 0 for an unknown name.
TB_EXPORT int TBGetMaterialData(const char* name, CTBMaterial*& material);
