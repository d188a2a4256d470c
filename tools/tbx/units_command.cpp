// tbx units / tbx materials: the unit catalogue, conversions between its units, and
// the materials catalogue.
#include "commands.h"
#include <toolbox/units/materials.h>
#include <toolbox/units/unit_manager.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kUnitsUsage[] =
    "usage: tbx units [--file FILE] list [QUANTITY]\n"
    "       tbx units [--file FILE] convert QUANTITY FROM VALUE TO\n"
    "list without a quantity prints every quantity with its base unit (sub-quantities\n"
    "indented below the quantity they belong to); with a quantity it prints its units:\n"
    "acronym, the acronym as shown (\xC2\xB0" "C for \\deg\\C), long name, to-base and\n"
    "from-base expression, tab-separated. convert prints the value converted (a formula\n"
    "when it cannot be reduced). FROM and TO may be written as the catalogue writes\n"
    "them, as they are shown or in ASCII: \\deg\\C, \xC2\xB0" "C or degC; k\\Ohm\\, k\xCE\xA9 or\n"
    "kOhm; uF or \xC2\xB5" "F; m^2 or m\xC2\xB2. The catalogue is template/units.skl beside\n"
    "the library unless --file names another one.\n";

const char kMaterialsUsage[] =
    "usage: tbx materials [--file FILE] [NAME]\n"
    "Without a name prints every material with the groups it has (conductor,\n"
    "insulator); with a name prints its properties, one value and unit a line. The\n"
    "catalogue is template/materials.skl beside the program (or the library) unless\n"
    "--file names another one.\n";

bool IsHelp(const Arguments& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

void PrintTree(CQuantity* q, int depth) {
    // The catalogue reader bounds the depth; a tree built otherwise is cut here.
    if (depth > kMaxQuantityDepth) return;
    CUnit* base = q->GetBaseUnitObject();
    std::printf("%*s%s\t%s\n", depth * 2, "", q->GetQuantityName().GetString(),
                base ? base->GetUnitAcronym().GetString() : "");
    const CArray<CQuantity*>& subs = q->GetSubQuantities();
    for (int i = 0; i < subs.GetSize(); ++i) PrintTree(subs[i], depth + 1);
}

int ListUnits(CUnitManager& manager, const Arguments& args) {
    if (args.empty()) {
        CArray<CQuantity*> mains;
        manager.GetQuantityArray(mains, 1);
        if (mains.GetSize() == 0) {
            std::fprintf(stderr, "tbx units: the catalogue %s holds no quantities\n",
                         manager.GetFileName().GetString());
            return 1;
        }
        for (int i = 0; i < mains.GetSize(); ++i) PrintTree(mains[i], 0);
        return 0;
    }
    CArray<CUnit*> units;
    if (args.size() > 1 || !manager.GetUnitArray(args[0].c_str(), units)) {
        std::fprintf(stderr, "tbx units: unknown quantity \"%s\"\n", args[0].c_str());
        return 1;
    }
    for (int i = 0; i < units.GetSize(); ++i) {
        CUnit* u = units[i];
        std::printf("%s\t%s\t%s\t%s\t%s\n", u->GetUnitAcronym().GetString(),
                    TBUnitToUnicode(u->GetUnitAcronym()).GetString(), u->GetUnitName().GetString(),
                    u->GetToBaseConversion().GetString(), u->GetFromBaseConversion().GetString());
    }
    return 0;
}

int ConvertValue(CUnitManager& manager, const Arguments& args) {
    if (args.size() != 4) {
        std::fputs(kUnitsUsage, stderr);
        return 2;
    }
    CString out;
    if (!manager.Convert(args[0].c_str(), args[1].c_str(), args[2].c_str(), args[3].c_str(), out)) {
        CUnit* unit = nullptr;
        CString why;
        if (manager.FindUnit(args[0].c_str(), args[1].c_str(), unit, &why) != TB_UNIT_FOUND ||
            manager.FindUnit(args[0].c_str(), args[3].c_str(), unit, &why) != TB_UNIT_FOUND)
            std::fprintf(stderr, "tbx units: %s\n", why.GetString());
        else
            std::fprintf(stderr, "tbx units: the formula libraries cannot be loaded\n");
        return 1;
    }
    std::printf("%s\n", out.GetString());
    return 0;
}

void PrintGroup(const char* const* stems, int count, const CString* values, const CString* units) {
    for (int i = 0; i < count; ++i)
        std::printf("  %s\t%s\t%s\n", stems[i], values[i].GetString(), units[i].GetString());
}

}  // namespace

int RunUnitsCommand(const Arguments& all) {
    if (IsHelp(all)) {
        std::fputs(kUnitsUsage, stdout);
        return 0;
    }
    Arguments args = all;
    std::unique_ptr<CUnitManager> own;
    if (args.size() >= 2 && args[0] == "--file") {
        own = std::make_unique<CUnitManager>();
        own->ReadUnitCfg(args[1].c_str());
        args.erase(args.begin(), args.begin() + 2);
    }
    CUnitManager& manager = own ? *own : TBGetSharedUnitManager();
    if (args.empty()) {
        std::fputs(kUnitsUsage, stderr);
        return 2;
    }
    const std::string verb = args[0];
    args.erase(args.begin());
    if (verb == "list") return ListUnits(manager, args);
    if (verb == "convert") return ConvertValue(manager, args);
    std::fputs(kUnitsUsage, stderr);
    return 2;
}

int RunMaterialsCommand(const Arguments& all) {
    if (IsHelp(all)) {
        std::fputs(kMaterialsUsage, stdout);
        return 0;
    }
    Arguments args = all;
    std::unique_ptr<CTBMaterialManager> own;
    if (args.size() >= 2 && args[0] == "--file") {
        own = std::make_unique<CTBMaterialManager>();
        own->ReadUnitCfg(args[1].c_str());
        args.erase(args.begin(), args.begin() + 2);
    }
    CTBMaterialManager& manager = own ? *own : TBGetSharedMaterialManager();
    if (args.size() > 1) {
        std::fputs(kMaterialsUsage, stderr);
        return 2;
    }
    if (args.empty()) {
        CArray<CTBMaterial*> materials;
        manager.GetMaterialArray(materials);
        if (materials.GetSize() == 0) {
            std::fprintf(stderr, "tbx materials: the catalogue holds no materials\n");
            return 1;
        }
        for (int i = 0; i < materials.GetSize(); ++i) {
            CTBMaterial* m = materials[i];
            std::printf("%s\t%s%s%s\n", m->GetMaterialName().GetString(), m->m_conductorValid ? "conductor" : "",
                        m->m_conductorValid && m->m_insulatorValid ? "," : "", m->m_insulatorValid ? "insulator" : "");
        }
        return 0;
    }
    CTBMaterial* m = nullptr;
    if (!manager.GetMaterial(args[0].c_str(), m)) {
        std::fprintf(stderr, "tbx materials: unknown material \"%s\"\n", args[0].c_str());
        return 1;
    }
    std::printf("%s\n", m->GetMaterialName().GetString());
    if (m->m_conductorValid) {
        std::printf("conductor\n");
        PrintGroup(CTBMaterial::kConductorKeys, kConductorProperties, m->m_conductorValue, m->m_conductorUnit);
    }
    if (m->m_insulatorValid) {
        std::printf("insulator\n");
        PrintGroup(CTBMaterial::kInsulatorKeys, kInsulatorProperties, m->m_insulatorValue, m->m_insulatorUnit);
    }
    return 0;
}
