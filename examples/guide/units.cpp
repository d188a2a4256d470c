// Converting values between units of a quantity and looking at the catalogue.
#include <toolbox/toolbox.h>

#include <cstdio>

int main() {
    // The shared catalogue fills itself from template/units.skl beside the library.
    CString result;
    if (!TBConvertUnits("Temperature", "\\deg\\C", "37", "\\deg\\F", result)) return 1;
    std::printf("37 degC = %s degF\n", result.GetString());

    CString base;
    if (!TBGetBaseUnit("Resistance", base)) return 1;
    CQuantity* resistance = nullptr;
    if (!TBGetSharedUnitManager().GetQuantity("Resistance", resistance)) return 1;
    CArray<CUnit*> units;
    resistance->FillUnitArray(units, 1, 1);
    std::printf("Resistance: base unit %s, %d units\n", base.GetString(), static_cast<int>(units.GetSize()));
    return result == "98.6" ? 0 : 1;
}
