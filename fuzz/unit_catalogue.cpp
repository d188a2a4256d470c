// The unit catalogue reader over arbitrary profile text: no crash, no endless loop,
// every link between quantities pointing into the catalogue; the written catalogue
// reads back to the same quantities; a conversion between two of its units returns.
#include <toolbox/os/profile_cache.h>
#include <toolbox/units/unit_manager.h>
#include "fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void Check(const CUnitManager& m) {
    CArray<CQuantity*> all;
    m.GetQuantityArray(all, 0);
    std::set<CQuantity*> stored;
    for (int i = 0; i < all.GetSize(); ++i) stored.insert(all[i]);
    for (int i = 0; i < all.GetSize(); ++i) {
        CQuantity* q = all[i];
        if (q->GetMainQuantity() && !stored.count(q->GetMainQuantity())) std::abort();
        for (int s = 0; s < q->GetSubQuantities().GetSize(); ++s)
            if (!stored.count(q->GetSubQuantities()[s])) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = fuzz_input::ScratchFile("unit_catalogue", ".skl");
    const std::string copy = fuzz_input::ScratchFile("unit_catalogue", "_copy.skl");
    if (!fuzz_input::WriteFile(file, data, size)) return 0;
    CUnitManager m;
    m.ReadUnitCfg(file.c_str());
    Check(m);
    CArray<CQuantity*> all;
    m.GetQuantityArray(all, 0);
    if (all.GetSize() > 0) {
        CArray<CUnit*> units;
        all[0]->FillUnitArray(units, 1, 1);
        if (units.GetSize() >= 2) {
            CString result;
            m.Convert(all[0]->GetQuantityName(), units[0]->GetUnitAcronym(), "1.5",
                      units[units.GetSize() - 1]->GetUnitAcronym(), result);
        }
    }
    m.WriteUnitCfg(copy.c_str());
    CUnitManager back;
    back.ReadUnitCfg(copy.c_str());
    Check(back);
    CArray<CQuantity*> again;
    back.GetQuantityArray(again, 0);
    if (again.GetSize() > all.GetSize()) std::abort();
    ClosePrivateFile(0, file.c_str());
    ClosePrivateFile(0, copy.c_str());
    return 0;
}
