// The materials catalogue and its file.
#include <toolbox/units/materials.h>

#include <toolbox/os/module_path.h>
#include <toolbox/os/profile_cache.h>

#include <climits>
#include <cstdio>
#include <new>

#include <sys/stat.h>

namespace {

const char kMainSection[] = "MainMaterials";

// Reads value and unit of each property in turn; stops at the first empty key.
// Returns true when every key was read.
bool ReadGroup(const CString& section, const char* const* stems, int count, CString* values, CString* units,
               const char* file) {
    for (int i = 0; i < count; ++i) {
        const CString value = GetPrivateStringValue(section, CString(stems[i]) + "-value", "", file, 1);
        if (value.IsEmpty()) return false;
        values[i] = value;
        const CString unit = GetPrivateStringValue(section, CString(stems[i]) + "-unit", "", file, 1);
        if (unit.IsEmpty()) return false;
        units[i] = unit;
    }
    return true;
}

void WriteGroup(const CString& section, const char* const* stems, int count, const CString* values,
                const CString* units, const char* file) {
    for (int i = 0; i < count; ++i) {
        WritePrivateStringValue(section, CString(stems[i]) + "-value", values[i], file);
        WritePrivateStringValue(section, CString(stems[i]) + "-unit", units[i], file);
    }
}

}  // namespace

const char* const CTBMaterial::kConductorKeys[kConductorProperties] = {"spgc", "shcc", "kc", "alpha", "rho", "tcmelt"};
const char* const CTBMaterial::kInsulatorKeys[kInsulatorProperties] = {"spgi", "shci", "ki", "timelt"};

CTBMaterial::CTBMaterial(CTBMaterialManager* manager, const char* name) : m_materialManager(manager), m_name(name) {}

CTBMaterial::~CTBMaterial() = default;

void CTBMaterial::ReadMaterial(const char* file) {
    ReadConductor(file);
    ReadInsulator(file);
}

void CTBMaterial::ReadConductor(const char* file) {
    if (ReadGroup(m_name, kConductorKeys, kConductorProperties, m_conductorValue, m_conductorUnit, file))
        m_conductorValid = 1;
}

void CTBMaterial::ReadInsulator(const char* file) {
    if (ReadGroup(m_name, kInsulatorKeys, kInsulatorProperties, m_insulatorValue, m_insulatorUnit, file))
        m_insulatorValid = 1;
}

void CTBMaterial::WriteMaterial(const char* file) {
    if (m_conductorValid)
        WriteGroup(m_name, kConductorKeys, kConductorProperties, m_conductorValue, m_conductorUnit, file);
    if (m_insulatorValid)
        WriteGroup(m_name, kInsulatorKeys, kInsulatorProperties, m_insulatorValue, m_insulatorUnit, file);
}

CTBMaterialManager::CTBMaterialManager() { m_materials.InitHashTable(17); }

CTBMaterialManager::~CTBMaterialManager() { Free(); }

void CTBMaterialManager::Free() {
    DeleteMapValues(m_materials);
}

int CTBMaterialManager::ReadUnitCfg(const char* file) {
    Free();
    CString path;
    if (file) {
        path = file;
    } else {
        const CString program = TBGetProgramFileName();
        if (program.IsEmpty()) return 0;
        path = TBDirectoryOfPath(program) + "/template/materials.skl";
        // Programs and libraries live in different directories on this system (bin/ and
        // lib/): without a file beside the program, the one installed beside the
        // library is read.
        struct stat status;
        const CString besideLibrary = TBGetLibraryDirectory() + "/template/materials.skl";
        if (stat(path, &status) != 0 && !TBGetLibraryDirectory().IsEmpty() && stat(besideLibrary, &status) == 0)
            path = besideLibrary;
    }
    ClosePrivateFile(0, path);
    for (int n = 1; n < INT_MAX; ++n) {
        CString key;
        key.Format("M%d", n);
        const CString name = GetPrivateStringValue(kMainSection, key, "", path, 1);
        if (name.IsEmpty()) break;
        ReadMaterial(path, name);
    }
    return 1;
}

int CTBMaterialManager::ReadMaterial(const char* file, const char* name) {
    try {
        CTBMaterial* material = new CTBMaterial(this, name);
        material->ReadMaterial(file);
        return AddMaterial(material);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void CTBMaterialManager::WriteUnitCfg(const char* file) {
    if (!file) return;
    // The catalogue is rebuilt whole in the cache and replaces the file only once
    // complete: a failed write leaves the old catalogue in place.
    ClosePrivateFile(0, file);
    CArray<CTBMaterial*> materials;
    GetMaterialArray(materials);
    for (int i = 0; i < materials.GetSize(); ++i) {
        CString key;
        key.Format("M%d", i + 1);
        WritePrivateStringValue(kMainSection, key, materials[i]->GetMaterialName(), file);
        materials[i]->WriteMaterial(file);
    }
    ReplacePrivateFile(file);
}

int CTBMaterialManager::AddMaterial(CTBMaterial* material) {
    if (!material) return 0;
    CTBMaterial* old = nullptr;
    if (m_materials.Lookup(material->GetMaterialName(), old)) {
        if (old == material) return 1;
        delete old;
    }
    try {
        m_materials.SetAt(material->GetMaterialName(), material);
    } catch (const std::bad_alloc&) {
        m_materials.RemoveKey(material->GetMaterialName());
        delete material;
        return 0;
    }
    return 1;
}

int CTBMaterialManager::DeleteMaterial(const char* name) {
    CTBMaterial* material = nullptr;
    if (!name || !m_materials.Lookup(name, material)) return 1;
    m_materials.RemoveKey(name);
    delete material;
    return 1;
}

int CTBMaterialManager::GetMaterial(const char* name, CTBMaterial*& material) const {
    CTBMaterial* found = nullptr;
    if (!name || !m_materials.Lookup(name, found)) return 0;
    material = found;
    return 1;
}

int CTBMaterialManager::GetMaterialArray(CArray<CTBMaterial*>& out) const {
    POSITION pos = m_materials.GetStartPosition();
    while (pos) {
        CString name;
        CTBMaterial* material = nullptr;
        m_materials.GetNextAssoc(pos, name, material);
        out.Add(material);
    }
    return 1;
}

CTBMaterialManager& TBGetSharedMaterialManager() {
    static CTBMaterialManager manager;  // built after the profile cache, destroyed before it
    static bool loaded = false;
    if (!loaded) {
        manager.ReadUnitCfg(nullptr);
        loaded = true;
    }
    return manager;
}

int TBGetMaterialData(const char* name, CTBMaterial*& material) {
    return TBGetSharedMaterialManager().GetMaterial(name, material);
}
