// The calculator's formula check. The scanner reports the formula's kind, whether it
// assigns and to which name, the names a conditional block assigns and every variable
// it uses; the host's flags decide what of that is allowed.
#include "controls/formula/formula_check.h"

#include <toolbox/formula/formula_api.h>
#include <toolbox/os/dynamic_library.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/library_registry.h>

#include <vector>

namespace {

constexpr UINT kScanDllMissing = 5517;
constexpr UINT kScanFunctionMissing = 5518;
constexpr UINT kAssignmentForbidden = 5519;
constexpr UINT kUnknownVariable = 5520;
constexpr UINT kAssignmentMissing = 5521;
constexpr UINT kBlockForbidden = 5534;

constexpr const char* kScannerDll = "Lurvenc.dll";
constexpr const char* kHelperDll = "Vexa2000.dll";

/// Both plug-ins, released through the registry however the check ends.
class CLoadedPlugins {
public:
    ~CLoadedPlugins() {
        for (HMODULE module : m_modules) TBFreeLibrary(module);
    }
    HMODULE Load(const char* name) {
        HMODULE module = TBLoadLibrary(name);
        if (module) m_modules.push_back(module);
        return module;
    }

private:
    std::vector<HMODULE> m_modules;
};

template <class F>
bool FindEntry(HMODULE module, const char* dll, const char* name, F& entry,
               const std::function<void(const CString&)>& show) {
    entry = reinterpret_cast<F>(TBGetProcAddress(module, name));
    if (!entry) show(TBFormatPositional(TBLoadString(kScanFunctionMissing), {dll, name}));
    return entry != nullptr;
}

bool AssignmentForbidden(long flags) {
    return !(flags & (TB_CALC_ASSIGNMENT_REQUIRED | TB_CALC_ASSIGNMENT_ALLOWED));
}

bool BlockForbidden(long flags) {
    return !(flags & (TB_CALC_ASSIGNMENT_REQUIRED | TB_CALC_NEW_VARIABLE_ALLOWED | TB_CALC_BLOCK_ALLOWED));
}

/// Joins the scanner's error texts into one message and frees the error objects
/// (while the scanner that made them is still loaded).
CString TakeErrors(CPtrArray& errors) {
    CString joined;
    for (int i = 0; i < errors.GetSize(); ++i) {
        auto* error = static_cast<CFormelError*>(errors[i]);
        if (!error) continue;
        joined += error->GetMessage();
        delete error;
    }
    errors.RemoveAll();
    return joined;
}

}  // namespace

CString TBFormatPositional(const CString& pattern, std::initializer_list<CString> args) {
    const std::vector<CString> values(args);
    CString out;
    for (int i = 0; i < pattern.GetLength(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.GetLength() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < values.size()) out += values[index];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool TBCheckFormula(const CString& formula, long flags, CMapStringToString& variables,
                    const std::function<void(const CString&)>& show) {
    if (formula.IsEmpty()) return true;

    CLoadedPlugins plugins;
    HMODULE scanner = plugins.Load(kScannerDll);
    if (!scanner) {
        show(TBFormatPositional(TBLoadString(kScanDllMissing), {kScannerDll}));
        return false;
    }
    PFN_UbhvBlock2Upn scanBlock = nullptr;
    if (!FindEntry(scanner, kScannerDll, "UbhvBlock2Upn", scanBlock, show)) return false;

    HMODULE helperDll = plugins.Load(kHelperDll);
    if (!helperDll) {
        show(TBFormatPositional(TBLoadString(kScanDllMissing), {kHelperDll}));
        return false;
    }
    PFN_CreateCFormelHelper createHelper = nullptr;
    PFN_DestroyCFormelHelper destroyHelper = nullptr;
    PFN_CFormelArraySize variableCount = nullptr;
    PFN_CFormelVarNameAt variableAt = nullptr;
    // Every missing entry point is named, not only the first.
    bool complete = FindEntry(helperDll, kHelperDll, "CreateCFormelHelper", createHelper, show);
    complete = FindEntry(helperDll, kHelperDll, "DestroyCFormelHelper", destroyHelper, show) && complete;
    complete = FindEntry(helperDll, kHelperDll, "CFormelArraySize", variableCount, show) && complete;
    complete = FindEntry(helperDll, kHelperDll, "CFormelVarNameAt", variableAt, show) && complete;
    if (!complete) return false;

    CFormelHelper* helper = nullptr;
    bool accepted = true;
    if (createHelper(&helper) == FORMEL_OK && helper) {
        int kind = FORMEL_KIND_NONE;
        CStringArray names;
        CPtrArray errors;
        const int scanResult = scanBlock(formula.GetString(), helper, &kind, &names, &errors);
        const bool scanFailed = scanResult != FORMEL_OK || errors.GetSize() > 0;
        if (scanFailed) {
            const CString texts = TakeErrors(errors);
            // A failed scan without an error object still says why.
            const CString message = texts.IsEmpty() ? helper->GetLastError() : texts;
            if (!message.IsEmpty()) show(message);
        }
        if (kind == FORMEL_KIND_BLOCK) {
            if (BlockForbidden(flags)) {
                show(TBFormatPositional(TBLoadString(kBlockForbidden), {formula}));
                accepted = false;
            } else {
                // Variables assigned inside the block count as known.
                for (int i = 0; i < names.GetSize(); ++i) variables.SetAt(names[i], names[i]);
            }
        } else if (AssignmentForbidden(flags) && helper->IsAssignment()) {
            show(TBFormatPositional(TBLoadString(kAssignmentForbidden), {formula}));
            accepted = false;
        } else if ((flags & TB_CALC_ASSIGNMENT_REQUIRED) && !helper->IsAssignment()) {
            show(TBFormatPositional(TBLoadString(kAssignmentMissing), {formula}));
            accepted = false;
        }
        if (scanFailed) accepted = false;
    }
    // Without a helper the scan is skipped and only the variable check runs.
    if (accepted) {
        const CString assigned = helper ? helper->GetAssignedName() : CString();
        const int count = variableCount(helper);
        for (int i = 0; i < count; ++i) {
            CString name;
            if (variableAt(&name, helper, i) != FORMEL_OK) continue;
            if (variables.PLookup(name)) continue;
            if ((flags & TB_CALC_NEW_VARIABLE_ALLOWED) && !assigned.IsEmpty() && name == assigned) continue;
            show(TBFormatPositional(TBLoadString(kUnknownVariable), {name}));
            accepted = false;
        }
    }
    destroyHelper(&helper);
    return accepted;
}
