// The materials reader over arbitrary profile text: no crash; what is written reads
// back to the same materials with the same valid groups.
#include <toolbox/os/profile_cache.h>
#include <toolbox/units/materials.h>
#include "fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = fuzz_input::ScratchFile("materials_catalogue", ".skl");
    const std::string copy = fuzz_input::ScratchFile("materials_catalogue", "_copy.skl");
    if (!fuzz_input::WriteFile(file, data, size)) return 0;
    CTBMaterialManager m;
    m.ReadUnitCfg(file.c_str());
    m.WriteUnitCfg(copy.c_str());
    CTBMaterialManager back;
    back.ReadUnitCfg(copy.c_str());
    CArray<CTBMaterial*> first, second;
    m.GetMaterialArray(first);
    back.GetMaterialArray(second);
    if (first.GetSize() != second.GetSize()) std::abort();
    for (int i = 0; i < first.GetSize(); ++i) {
        // Section lines lose leading "[" and trailing "]": such names cannot come back.
        const CString& name = first[i]->GetMaterialName();
        if (name.Find('[') == 0 || name.str().back() == ']') continue;
        CTBMaterial* other = nullptr;
        if (!back.GetMaterial(first[i]->GetMaterialName(), other)) std::abort();
        if (other->m_conductorValid != first[i]->m_conductorValid) std::abort();
        if (other->m_insulatorValid != first[i]->m_insulatorValid) std::abort();
    }
    ClosePrivateFile(0, file.c_str());
    ClosePrivateFile(0, copy.c_str());
    return 0;
}
