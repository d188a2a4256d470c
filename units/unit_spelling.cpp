// Finding the unit a user spelt: the acronym as the catalogue writes it, the form the
// screen shows, or an ASCII spelling, each among the units of one quantity.
#include <toolbox/units/unit_manager.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string FoldAsciiCase(const CString& s) {
    CString folded(s);
    folded.MakeLower();  // ASCII only: multi-byte characters stay as they are
    return folded.str();
}

/// The units of the list that a lookup can reach: one per acronym, the first listed.
std::vector<CUnit*> Reachable(const CArray<CUnit*>& units) {
    std::vector<CUnit*> out;
    std::set<std::string> seen;
    for (int i = 0; i < units.GetSize(); ++i)
        if (units[i] && seen.insert(units[i]->GetUnitAcronym().str()).second) out.push_back(units[i]);
    return out;
}

/// Every unit of the catalogue (own units and base units of every quantity).
std::vector<CUnit*> CatalogueUnits(const CUnitManager& catalogue) {
    CArray<CQuantity*> quantities;
    catalogue.GetQuantityArray(quantities, 0);
    CArray<CUnit*> units;
    for (int i = 0; i < quantities.GetSize(); ++i) quantities[i]->FillUnitArray(units, 1, 0);
    std::vector<CUnit*> out;
    for (int i = 0; i < units.GetSize(); ++i) out.push_back(units[i]);
    return out;
}

/// Case-folded lookup forms that stand for more than one unit spelling: there the
/// case tells the units apart ("mW" and "MW", "mS" and "ms") and must be kept.
std::set<std::string> CaseSensitiveForms(const std::vector<CUnit*>& units) {
    std::map<std::string, std::set<std::string>> spellings;
    for (CUnit* u : units) {
        const CString form = TBUnitLookupForm(u->GetUnitAcronym());
        spellings[FoldAsciiCase(form)].insert(form.str());
    }
    std::set<std::string> out;
    for (const auto& entry : spellings)
        if (entry.second.size() > 1) out.insert(entry.first);
    return out;
}

/// The result of one matching step with its candidates.
int Decide(const std::vector<CUnit*>& candidates, CUnit*& found, CUnit** other) {
    if (candidates.empty()) return TB_UNIT_NOT_FOUND;
    found = candidates[0];
    if (candidates.size() == 1) return TB_UNIT_FOUND;
    if (other) *other = candidates[1];
    return TB_UNIT_AMBIGUOUS;
}

/// How a unit is named in messages: as shown, with the catalogue's spelling beside
/// it when that differs ("kΩ (k\Ohm\)").
CString UnitTitle(CUnit* unit) {
    const CString shown = TBUnitToUnicode(unit->GetUnitAcronym());
    return shown == unit->GetUnitAcronym() ? shown : shown + " (" + unit->GetUnitAcronym() + ")";
}

}  // namespace

int TBMatchUnit(const CArray<CUnit*>& units, const char* spelling, const CUnitManager* catalogue, CUnit*& found,
                CUnit** other) {
    found = nullptr;
    if (other) *other = nullptr;
    if (!spelling) return TB_UNIT_NOT_FOUND;
    const std::vector<CUnit*> reachable = Reachable(units);
    for (CUnit* u : reachable)
        if (std::strcmp(u->GetUnitAcronym(), spelling) == 0) {
            found = u;
            return TB_UNIT_FOUND;
        }

    const CString form = TBUnitLookupForm(spelling);
    if (form.IsEmpty()) return TB_UNIT_NOT_FOUND;
    std::vector<CUnit*> same;
    for (CUnit* u : reachable)
        if (TBUnitLookupForm(u->GetUnitAcronym()) == form) same.push_back(u);
    if (!same.empty()) return Decide(same, found, other);

    const std::string folded = FoldAsciiCase(form);
    std::vector<CUnit*> sameButCase;
    for (CUnit* u : reachable)
        if (FoldAsciiCase(TBUnitLookupForm(u->GetUnitAcronym())) == folded) sameButCase.push_back(u);
    if (sameButCase.size() == 1) {
        const std::set<std::string> caseSensitive =
            CaseSensitiveForms(catalogue ? CatalogueUnits(*catalogue) : reachable);
        if (caseSensitive.count(folded)) return TB_UNIT_NOT_FOUND;
    }
    return Decide(sameButCase, found, other);
}

int CUnitManager::FindUnit(const char* quantity, const char* spelling, CUnit*& unit, CString* message) const {
    unit = nullptr;
    CArray<CUnit*> units;
    if (!quantity || !GetUnitArray(quantity, units)) {
        if (message) message->Format("unknown quantity \"%s\"", quantity ? quantity : "");
        return TB_UNIT_NOT_FOUND;
    }
    CUnit* other = nullptr;
    const int result = TBMatchUnit(units, spelling, this, unit, &other);
    if (message && result == TB_UNIT_NOT_FOUND)
        message->Format("\"%s\" is no unit of %s", spelling ? spelling : "", quantity);
    else if (message && result == TB_UNIT_AMBIGUOUS)
        message->Format("\"%s\" is ambiguous in %s: it may be %s or %s", spelling, quantity,
                        UnitTitle(unit).GetString(), UnitTitle(other).GetString());
    if (result != TB_UNIT_FOUND) unit = nullptr;
    return result;
}
