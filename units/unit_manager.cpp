// The unit catalogue: reading and writing the configuration file, the quantity table,
// conversion through the formula plug-ins, and the two shared catalogues.
#include <toolbox/units/unit_manager.h>

#include "units/conversion_cache.h"

#include <toolbox/os/module_path.h>
#include <toolbox/services/library_registry.h>
#include <toolbox/os/profile_cache.h>
#include <toolbox/os/dynamic_library.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

const char kMainSection[] = "MainQuantities";

CString NumberedKey(const char* prefix, int n) {
    CString key;
    key.Format("%s%d", prefix, n);
    return key;
}

}  // namespace

// ---------------------------------------------------------------- the solver

CUnitFormulaSolver::~CUnitFormulaSolver() { Release(); }

bool CUnitFormulaSolver::Create() {
    m_solverLibrary = TBLoadLibrary("Quendral.dll");
    if (m_solverLibrary) m_translatorLibrary = TBLoadLibrary("lurvenc.dll");
    if (m_translatorLibrary) m_simulatorLibrary = TBLoadLibrary("Vexa2000.dll");
    if (!m_simulatorLibrary) {
        Release();
        return false;
    }
    m_upnToSimplifyString =
        reinterpret_cast<PFN_UpnToSimplifyString>(TBGetProcAddress(m_solverLibrary, "UpnToSimplifyString"));
    m_fml2Upn = reinterpret_cast<PFN_Fml2Upn>(TBGetProcAddress(m_translatorLibrary, "Fml2Upn"));
    m_createCFormelHelper =
        reinterpret_cast<PFN_CreateCFormelHelper>(TBGetProcAddress(m_simulatorLibrary, "CreateCFormelHelper"));
    m_destroyCFormelHelper =
        reinterpret_cast<PFN_DestroyCFormelHelper>(TBGetProcAddress(m_simulatorLibrary, "DestroyCFormelHelper"));
    if (!m_upnToSimplifyString || !m_fml2Upn || !m_createCFormelHelper || !m_destroyCFormelHelper) {
        Release();
        return false;
    }
    return true;
}

void CUnitFormulaSolver::Release() {
    if (m_solverLibrary) TBFreeLibrary(m_solverLibrary);
    if (m_translatorLibrary) TBFreeLibrary(m_translatorLibrary);
    if (m_simulatorLibrary) TBFreeLibrary(m_simulatorLibrary);
    m_solverLibrary = m_translatorLibrary = m_simulatorLibrary = nullptr;
    m_upnToSimplifyString = nullptr;
    m_fml2Upn = nullptr;
    m_createCFormelHelper = nullptr;
    m_destroyCFormelHelper = nullptr;
}

bool CUnitFormulaSolver::Evaluate(CString& formula) const {
    if (!m_solverLibrary || !m_translatorLibrary || !m_createCFormelHelper || !m_destroyCFormelHelper || !m_fml2Upn ||
        !m_upnToSimplifyString)
        return false;
    CFormelHelper* helper = nullptr;
    bool ok = false;
    if (m_createCFormelHelper(&helper) == FORMEL_OK) {
        std::vector<char> buffer(formula.str().begin(), formula.str().end());
        buffer.push_back('\0');
        if (m_fml2Upn(buffer.data(), helper, 0) == FORMEL_OK) {
            CString text(formula);
            if (m_upnToSimplifyString(&text, helper) == FORMEL_OK) {
                formula = text;
                ok = true;
            }
        }
    }
    m_destroyCFormelHelper(&helper);
    return ok;
}

// ---------------------------------------------------------------- the catalogue

CUnitManager::CUnitManager() { m_quantities.InitHashTable(17); }

CUnitManager::~CUnitManager() {
    Free();
    delete m_solver;  // its destructor frees the three libraries through the registry
    delete m_cache;
    if (!m_fileName.IsEmpty()) ClosePrivateFile(0, m_fileName);
}

void CUnitManager::Free() {
    DeleteMapValues(m_quantities);
}

int CUnitManager::ReadUnitCfg(const char* file) {
    Free();
    m_reading.RemoveAll();
    if (file) {
        m_fileName = file;
    } else {
        const CString directory = TBGetLibraryDirectory();
        if (directory.IsEmpty()) return 0;
        m_fileName = directory + "/template/units.skl";
    }
    const CString path = m_fileName;  // the member may change if a caller reads again
    CString name = GetPrivateStringValue(kMainSection, "Q1", "", path, 0);
    for (int n = 2; !name.IsEmpty(); ++n) {
        ReadQuantity(path, name, nullptr);
        if (n == INT_MAX) break;
        name = GetPrivateStringValue(kMainSection, NumberedKey("Q", n), "", path, 1);
    }
    return 1;
}

int CUnitManager::ReadQuantity(const char* file, const char* name, CQuantity* mainQuantity) {
    return ReadQuantityAt(file, name, mainQuantity, 1);
}

bool CUnitManager::IsBeingRead(const char* name) const {
    for (int i = 0; i < m_reading.GetSize(); ++i)
        if (m_reading[i]->GetQuantityName() == name) return true;
    return false;
}

int CUnitManager::ReadQuantityAt(const char* file, const char* name, CQuantity* mainQuantity, int depth) {
    CQuantity* q = nullptr;
    try {
        CString baseUnit, baseName;
        if (!mainQuantity) {
            baseUnit = GetPrivateStringValue(name, "BaseUnit", "", file, 1);
            if (baseUnit.IsEmpty()) return 0;
            baseName = GetPrivateStringValue(name, "BUT", "", file, 1);
        }
        q = new CQuantity(this, name, mainQuantity);
        if (!mainQuantity && !q->AddBaseUnit(baseUnit, baseName)) throw std::bad_alloc();
        for (int n = 1; n < INT_MAX; ++n) {
            const CString acronym = GetPrivateStringValue(name, NumberedKey("U", n), "", file, 1);
            if (acronym.IsEmpty()) break;
            const CString longName = GetPrivateStringValue(name, NumberedKey("T", n), "", file, 1);
            const CString toBase = GetPrivateStringValue(name, NumberedKey("TBC", n), "", file, 1);
            const CString fromBase = GetPrivateStringValue(name, NumberedKey("FBC", n), "", file, 1);
            if (!q->AddUnit(acronym, longName, toBase, fromBase)) throw std::bad_alloc();
        }
        m_reading.Add(q);
        for (int m = 1; m < INT_MAX; ++m) {
            const CString sub = GetPrivateStringValue(name, NumberedKey("SQ", m), "", file, 1);
            if (sub.IsEmpty()) break;
            // A name already being read above would make the tree a loop, and the
            // nesting is bounded so that a long chain cannot exhaust the stack.
            if (IsBeingRead(sub) || depth >= kMaxQuantityDepth) continue;
            ReadQuantityAt(file, sub, q, depth + 1);
        }
        m_reading.RemoveAt(m_reading.GetSize() - 1);
        AddQuantity(q);
        return 1;
    } catch (const std::bad_alloc&) {
        if (q) {
            if (m_reading.GetSize() > 0 && m_reading[m_reading.GetSize() - 1] == q)
                m_reading.RemoveAt(m_reading.GetSize() - 1);
            DestroyTree(q);
        }
        return 0;
    }
}

void CUnitManager::DestroyTree(CQuantity* root) {
    // Post-order over the subtree with an explicit stack; each quantity once, so a
    // loop made through SetMainQuantity ends too.
    std::vector<CQuantity*> order;
    std::vector<CQuantity*> stack{root};
    std::unordered_set<CQuantity*> seen{root};
    while (!stack.empty()) {
        CQuantity* q = stack.back();
        stack.pop_back();
        order.push_back(q);
        const CArray<CQuantity*>& subs = q->GetSubQuantities();
        for (int i = 0; i < subs.GetSize(); ++i)
            if (seen.insert(subs[i]).second) stack.push_back(subs[i]);
    }
    // Detach every member from main quantities outside the subtree, drop them from the
    // table (only where the table holds this very object), then destroy them.
    for (CQuantity* q : order) {
        CQuantity* mainQuantity = q->GetMainQuantity();
        if (mainQuantity && !seen.count(mainQuantity)) mainQuantity->RemoveSubQuantity(q);
        CQuantity* stored = nullptr;
        if (m_quantities.Lookup(q->GetQuantityName(), stored) && stored == q)
            m_quantities.RemoveKey(q->GetQuantityName());
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) delete *it;
}

int CUnitManager::AddQuantity(CQuantity* q) {
    if (!q) return 0;
    CQuantity* old = nullptr;
    if (m_quantities.Lookup(q->GetQuantityName(), old)) {
        if (old == q) return 1;
        // The replaced quantity goes with its whole subtree. The new one must not be
        // part of that subtree (it would be destroyed with it): cut it loose first.
        std::vector<CQuantity*> stack{old};
        std::unordered_set<CQuantity*> seen{old};
        while (!stack.empty()) {
            CQuantity* s = stack.back();
            stack.pop_back();
            const CArray<CQuantity*>& subs = s->GetSubQuantities();
            for (int i = subs.GetSize() - 1; i >= 0; --i) {
                CQuantity* sub = subs[i];
                if (sub == q) {
                    s->RemoveSubQuantity(q);
                    q->SetMainQuantity(nullptr);
                    continue;
                }
                if (seen.insert(sub).second) stack.push_back(sub);
            }
        }
        // Keep the name's place in the table: store the new one first.
        m_quantities.SetAt(q->GetQuantityName(), q);
        DestroyTree(old);
        return 1;
    }
    m_quantities.SetAt(q->GetQuantityName(), q);
    return 1;
}

int CUnitManager::DeleteQuantity(const char* name) {
    CQuantity* q = nullptr;
    if (!name || !m_quantities.Lookup(name, q)) return 1;
    try {
        DestroyTree(q);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CUnitManager::GetQuantity(const char* name, CQuantity*& q) const {
    if (!name) return 0;
    CQuantity* found = nullptr;
    if (!m_quantities.Lookup(name, found)) return 0;
    q = found;
    return 1;
}

int CUnitManager::GetQuantityArray(CArray<CQuantity*>& out, int mainOnly) const {
    POSITION pos = m_quantities.GetStartPosition();
    while (pos) {
        CString name;
        CQuantity* q = nullptr;
        m_quantities.GetNextAssoc(pos, name, q);
        if (!mainOnly || !q->GetMainQuantity()) out.Add(q);
    }
    return 1;
}

int CUnitManager::GetUnitArray(const char* quantity, CArray<CUnit*>& out) const {
    CQuantity* q = nullptr;
    if (!GetQuantity(quantity, q)) return 0;
    q->FillUnitArray(out, 1, 1);
    return 1;
}

int CUnitManager::GetUnitArray(const char* quantity, CStringArray& out) const {
    CArray<CUnit*> units;
    if (!GetUnitArray(quantity, units)) return 0;
    for (int i = 0; i < units.GetSize(); ++i) out.Add(units[i]->GetUnitAcronym());
    return 1;
}

void CUnitManager::WriteUnitCfg(const char* file) {
    if (!file) return;
    // The catalogue is rebuilt whole in the cache and replaces the file only once
    // complete: a failed write leaves the old catalogue in place.
    ClosePrivateFile(0, file);
    CArray<CQuantity*> mains;
    GetQuantityArray(mains, 1);
    for (int i = 0; i < mains.GetSize(); ++i) {
        WritePrivateStringValue(kMainSection, NumberedKey("Q", i + 1), mains[i]->GetQuantityName(), file);
        mains[i]->WriteQuanitity(file);
    }
    ReplacePrivateFile(file);
}

// ---------------------------------------------------------------- conversion

/// The unit of q that spelling names: the acronym up the chain of main quantities as
/// the catalogue has always found it, else any other spelling of one unit.
CUnit* CUnitManager::ResolveUnit(CQuantity* q, const char* spelling) const {
    CUnit* unit = q->GetOwnUnitObject(spelling);
    if (!unit && q->GetMainQuantity()) unit = q->GetMainQuantity()->GetUnitObject(spelling);
    if (unit) return unit;
    CArray<CUnit*> units;
    q->FillUnitArray(units, 1, 1);
    return TBMatchUnit(units, spelling, this, unit) == TB_UNIT_FOUND ? unit : nullptr;
}

int CUnitManager::Convert(const char* quantity, const char* from, const char* value, const char* to, CString& out) {
    if (!quantity || !from || !value || !to) return 0;
    if (std::strcmp(from, to) == 0) {
        out = value;
        return 1;
    }
    try {
        if (!m_solver) {
            m_solver = new CUnitFormulaSolver;
            if (!m_solver->Create()) {
                delete m_solver;
                m_solver = nullptr;
                return 0;
            }
        }
        CQuantity* q = nullptr;
        if (!GetQuantity(quantity, q)) return 0;
        CUnit* base = q->GetBaseUnitObject();
        CUnit* fromUnit = ResolveUnit(q, from);
        CUnit* toUnit = ResolveUnit(q, to);
        if (!fromUnit || !toUnit || !base) return 0;
        const bool fromIsBase = fromUnit == base;
        const bool toIsBase = toUnit == base;

        double number = 0;
        if (m_useCache && tb_units::ParsePlainNumber(value, number)) {
            if (!m_cache) m_cache = new tb_units::ConversionCache;
            const tb_units::Compiled& compiled = m_cache->Get(fromIsBase, fromUnit->GetToBaseConversion().str(),
                                                              toIsBase, toUnit->GetFromBaseConversion().str());
            double result = 0;
            if (compiled.usable && tb_units::Run(compiled.steps, number, result)) {
                std::string text;
                tb_units::AppendResult(text, result);
                out = CString(std::move(text));
                return 1;
            }
        }

        CString v;
        v.Format("(%s)", value);
        CString a;
        if (fromIsBase) {
            a = "(" + v + ")";
        } else {
            CString expression = fromUnit->GetToBaseConversion();
            expression.Replace("%v", v);
            a = "(" + expression + ")";
        }
        CString r;
        if (toIsBase) {
            r = "(" + a + ")";
        } else {
            CString expression = toUnit->GetFromBaseConversion();
            expression.Replace("%v", a);
            r = "(" + expression + ")";
        }
        m_solver->Evaluate(r);
        out = r;
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// ---------------------------------------------------------------- shared catalogues

// The catalogues are built at their first use, after the profile cache and the
// library registry, so they are destroyed before them: their destructors still drop
// the file from the cache and free the plug-ins through the registry.
namespace {

struct SharedCatalogue {
    CUnitManager manager;
    bool loaded = false;  // set after the first load whatever it gave
    CUnitManager& Loaded() {
        if (!loaded) {
            manager.ReadUnitCfg(nullptr);
            loaded = true;
        }
        return manager;
    }
};

}  // namespace

CUnitManager& TBGetSharedUnitManager() {
    static SharedCatalogue catalogue;
    return catalogue.Loaded();
}

CUnitManager& TBGetSharedUnitEditManager() {
    static SharedCatalogue catalogue;
    return catalogue.Loaded();
}

int TBConvertUnits(const char* quantity, const char* from, const char* value, const char* to, CString& out) {
    return TBGetSharedUnitManager().Convert(quantity, from, value, to, out);
}

int TBGetBaseUnit(const char* quantity, CString& out) {
    CQuantity* q = nullptr;
    if (!TBGetSharedUnitManager().GetQuantity(quantity, q)) return 0;
    CUnit* base = q->GetBaseUnitObject();
    if (!base) return 0;
    out = base->GetUnitAcronym();
    return 1;
}
