// Quantities and units: the unit table, the chain of main quantities, the unit list
// and the quantity's section of the configuration file.
#include <toolbox/units/quantity.h>

#include <toolbox/os/profile_cache.h>

#include <new>
#include <unordered_set>
#include <vector>

CUnit::CUnit(const char* acronym, const char* name) : m_acronym(acronym), m_name(name) {}

CUnit::CUnit(const char* acronym, const char* name, const char* toBase, const char* fromBase)
    : m_acronym(acronym), m_name(name), m_toBase(toBase), m_fromBase(fromBase) {}

CUnit::~CUnit() = default;

CQuantity::CQuantity(CUnitManager* manager, const char* name, CQuantity* mainQuantity)
    : m_name(name), m_unitManager(manager) {
    m_units.InitHashTable(17);
    SetMainQuantity(mainQuantity);
}

CQuantity::~CQuantity() {
    delete m_baseUnit;
    POSITION pos = m_units.GetStartPosition();
    while (pos) {
        CString acronym;
        CUnit* unit = nullptr;
        m_units.GetNextAssoc(pos, acronym, unit);
        delete unit;
    }
    m_units.RemoveAll();
}

void CQuantity::SetMainQuantity(CQuantity* mainQuantity) {
    m_mainQuantity = mainQuantity;
    if (mainQuantity) mainQuantity->AddSubQuantity(this);
}

int CQuantity::AddBaseUnit(const char* acronym, const char* name) {
    try {
        if (m_baseUnit) {
            m_baseUnit->SetUnitAcronym(acronym);
            m_baseUnit->SetUnitName(name);
        } else {
            m_baseUnit = new CUnit(acronym, name);
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CQuantity::AddUnit(const char* acronym, const char* name, const char* toBase, const char* fromBase) {
    try {
        CUnit* unit = nullptr;
        if (m_units.Lookup(acronym, unit)) {
            unit->SetUnitAcronym(acronym);
            unit->SetUnitName(name);
            unit->SetToBaseConversion(toBase);
            unit->SetFromBaseConversion(fromBase);
            return 1;
        }
        unit = new CUnit(acronym, name, toBase, fromBase);
        try {
            m_units.SetAt(acronym, unit);
        } catch (...) {
            delete unit;
            throw;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CQuantity::RemoveUnit(const char* acronym) {
    CUnit* unit = nullptr;
    if (!acronym || !m_units.Lookup(acronym, unit)) return 0;
    m_units.RemoveKey(acronym);
    delete unit;
    return 1;
}

CUnit* CQuantity::GetOwnUnitObject(const char* acronym) const {
    if (!acronym) return nullptr;
    if (m_baseUnit && m_baseUnit->GetUnitAcronym() == acronym) return m_baseUnit;
    CUnit* unit = nullptr;
    return m_units.Lookup(acronym, unit) ? unit : nullptr;
}

CUnit* CQuantity::GetUnitObject(const char* acronym) const {
    // A chain that loops back on itself (only callers of SetMainQuantity can make one)
    // ends after as many steps as a chain could have without repeating.
    int steps = 0;
    for (const CQuantity* level = this; level && steps < 1000000; level = level->m_mainQuantity, ++steps) {
        if (CUnit* unit = level->GetOwnUnitObject(acronym)) return unit;
    }
    return nullptr;
}

CUnit* CQuantity::GetBaseUnitObject() const {
    const CQuantity* top = this;
    for (int steps = 0; top->m_mainQuantity && steps < 1000000; ++steps) top = top->m_mainQuantity;
    return top->m_baseUnit;
}

void CQuantity::FillUnitArray(CArray<CUnit*>& units, int withBase, int withMain) const {
    int steps = 0;
    for (const CQuantity* level = this; level && steps < 1000000; ++steps) {
        if (!level->m_mainQuantity && withBase && level->m_baseUnit) units.Add(level->m_baseUnit);
        POSITION pos = level->m_units.GetStartPosition();
        while (pos) {
            CString acronym;
            CUnit* unit = nullptr;
            level->m_units.GetNextAssoc(pos, acronym, unit);
            units.Add(unit);
        }
        if (!withMain) break;
        level = level->m_mainQuantity;
    }
}

int CQuantity::AddSubQuantity(CQuantity* sub) {
    m_subQuantities.Add(sub);
    return 1;
}

int CQuantity::RemoveSubQuantity(CQuantity* sub) {
    for (int i = m_subQuantities.GetSize() - 1; i >= 0; --i) {
        if (m_subQuantities[i] == sub) {
            m_subQuantities.RemoveAt(i);
            return 1;
        }
    }
    return 0;
}

int CQuantity::GetSubQuantityArray(CArray<CQuantity*>& subs) const {
    subs.RemoveAll();
    for (int i = 0; i < m_subQuantities.GetSize(); ++i) subs.Add(m_subQuantities[i]);
    return 1;
}

void CQuantity::WriteQuanitity(const char* file) {
    // Sections are written with an explicit stack: sub-quantity trees may be deep, and
    // a loop made through SetMainQuantity must not write forever.
    struct Pending {
        CQuantity* quantity;
        int nextSub;
    };
    std::vector<Pending> stack;
    std::unordered_set<CQuantity*> written;
    WriteSection(file);
    written.insert(this);
    stack.push_back({this, 0});
    while (!stack.empty()) {
        Pending& top = stack.back();
        CQuantity* q = top.quantity;
        if (top.nextSub >= q->m_subQuantities.GetSize()) {
            stack.pop_back();
            continue;
        }
        const int index = top.nextSub++;
        CQuantity* sub = q->m_subQuantities[index];
        CString key;
        key.Format("SQ%d", index + 1);
        WritePrivateStringValue(q->m_name, key, sub->m_name, file);
        if (!written.insert(sub).second) continue;
        sub->WriteSection(file);
        stack.push_back({sub, 0});
    }
}

void CQuantity::WriteSection(const char* file) {
    if (!m_mainQuantity && m_baseUnit) {
        WritePrivateStringValue(m_name, "BaseUnit", m_baseUnit->GetUnitAcronym(), file);
        WritePrivateStringValue(m_name, "BUT", m_baseUnit->GetUnitName(), file);
    }
    int n = 0;
    POSITION pos = m_units.GetStartPosition();
    while (pos) {
        CString acronym;
        CUnit* unit = nullptr;
        m_units.GetNextAssoc(pos, acronym, unit);
        ++n;
        CString key;
        key.Format("U%d", n);
        WritePrivateStringValue(m_name, key, unit->GetUnitAcronym(), file);
        key.Format("T%d", n);
        WritePrivateStringValue(m_name, key, unit->GetUnitName(), file);
        key.Format("TBC%d", n);
        WritePrivateStringValue(m_name, key, unit->GetToBaseConversion(), file);
        key.Format("FBC%d", n);
        WritePrivateStringValue(m_name, key, unit->GetFromBaseConversion(), file);
    }
}
