// tbx calc: simplifies formulas through the three formula plug-ins, in the order the
// unit conversion uses them: create the helper, translate to reverse Polish form,
// simplify, destroy the helper.
#include <toolbox/formula/formula_api.h>
#include <toolbox/os/dynamic_library.h>
#include <toolbox/services/library_registry.h>
#include <toolbox/services/numbers.h>
#include "commands.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: tbx calc [--check] FORMULA...\n"
    "Prints each formula with every constant part folded (a plain number when it holds\n"
    "only numbers), or its errors and exit status 1. Without formulas, each line of\n"
    "standard input is one formula. --check scans like the formula dialog instead and\n"
    "prints the kind, the assigned names and the variables used.\n";

// Loads "X.dll" through the library registry, which finds libx.so / libX.so beside
// the library or on the loader's path.
HMODULE OpenFormulaLibrary(const char* dllName) {
    HMODULE handle = TBLoadLibrary(dllName);
    if (!handle) std::fprintf(stderr, "tbx calc: the formula library %s cannot be loaded\n", dllName);
    return handle;
}

struct FormulaLibraries {
    HMODULE solver = nullptr;
    HMODULE translator = nullptr;
    HMODULE helperLib = nullptr;
    PFN_UpnToSimplifyString simplify = nullptr;
    PFN_Fml2Upn translate = nullptr;
    PFN_UbhvBlock2Upn scanBlock = nullptr;
    PFN_CreateCFormelHelper create = nullptr;
    PFN_DestroyCFormelHelper destroy = nullptr;
    PFN_CFormelArraySize arraySize = nullptr;
    PFN_CFormelVarNameAt varNameAt = nullptr;

    ~FormulaLibraries() {
        for (HMODULE h : {solver, translator, helperLib})
            if (h) TBFreeLibrary(h);
    }

    template <class F>
    bool Find(HMODULE lib, const char* dll, const char* name, F& f) {
        f = reinterpret_cast<F>(TBGetProcAddress(lib, name));
        if (!f) std::fprintf(stderr, "tbx calc: the function %s cannot be found in %s\n", name, dll);
        return f != nullptr;
    }

    bool Load() {
        solver = OpenFormulaLibrary("Quendral.dll");
        translator = solver ? OpenFormulaLibrary("Lurvenc.dll") : nullptr;
        helperLib = translator ? OpenFormulaLibrary("Vexa2000.dll") : nullptr;
        if (!helperLib) return false;
        // Every missing entry point is reported, not only the first.
        int found = 0;
        found += Find(solver, "Quendral.dll", "UpnToSimplifyString", simplify);
        found += Find(translator, "Lurvenc.dll", "Fml2Upn", translate);
        found += Find(translator, "Lurvenc.dll", "UbhvBlock2Upn", scanBlock);
        found += Find(helperLib, "Vexa2000.dll", "CreateCFormelHelper", create);
        found += Find(helperLib, "Vexa2000.dll", "DestroyCFormelHelper", destroy);
        found += Find(helperLib, "Vexa2000.dll", "CFormelArraySize", arraySize);
        found += Find(helperLib, "Vexa2000.dll", "CFormelVarNameAt", varNameAt);
        return found == 7;
    }
};

void PrintErrors(const CString& text) { std::fprintf(stderr, "%s\n", text.GetString()); }

bool Simplify(const FormulaLibraries& libs, const std::string& formula) {
    CFormelHelper* helper = nullptr;
    if (libs.create(&helper) != FORMEL_OK) {
        std::fprintf(stderr, "tbx calc: the formula helper cannot be created\n");
        return false;
    }
    std::vector<char> buffer(formula.begin(), formula.end());
    buffer.push_back('\0');
    bool ok = false;
    if (libs.translate(buffer.data(), helper, 0) != FORMEL_OK) {
        PrintErrors(helper->GetLastError());
    } else {
        CString text(formula);
        if (libs.simplify(&text, helper) == FORMEL_OK) {
            std::printf("%s\n", text.GetString());
            ok = true;
        } else {
            PrintErrors(helper->GetLastError());
        }
    }
    libs.destroy(&helper);
    return ok;
}

bool Check(const FormulaLibraries& libs, const std::string& formula) {
    CFormelHelper* helper = nullptr;
    if (libs.create(&helper) != FORMEL_OK) {
        std::fprintf(stderr, "tbx calc: the formula helper cannot be created\n");
        return false;
    }
    int kind = FORMEL_KIND_NONE;
    CStringArray names;
    CPtrArray errors;
    const int result = libs.scanBlock(formula.c_str(), helper, &kind, &names, &errors);
    std::string joined;
    for (int i = 0; i < errors.GetSize(); ++i) {
        CFormelError* error = static_cast<CFormelError*>(errors[i]);
        joined += error->GetMessage().GetString();
        delete error;
    }
    if (result == FORMEL_OK && joined.empty()) {
        std::printf("kind: %d\n", kind);
        if (helper->IsAssignment()) std::printf("assigns: %s\n", helper->GetAssignedName().GetString());
        for (int i = 0; i < names.GetSize(); ++i) std::printf("assigned: %s\n", names[i].GetString());
        const int count = libs.arraySize(helper);
        for (int i = 0; i < count; ++i) {
            CString name;
            if (libs.varNameAt(&name, helper, i) == FORMEL_OK) std::printf("variable: %s\n", name.GetString());
        }
    } else {
        std::fputs(joined.c_str(), stderr);
    }
    libs.destroy(&helper);
    return result == FORMEL_OK && joined.empty();
}

}  // namespace

int RunCalcCommand(const Arguments& args) {
    bool check = false;
    Arguments formulas;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (args[i] == "--check") {
            check = true;
        } else if (args[i] == "--") {
            formulas.insert(formulas.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else {
            formulas.push_back(args[i]);
        }
    }
    FormulaLibraries libs;
    if (!libs.Load()) return 1;
    bool ok = true;
    auto run = [&](const std::string& f) { ok = (check ? Check(libs, f) : Simplify(libs, f)) && ok; };
    if (!formulas.empty()) {
        for (const std::string& f : formulas) run(f);
    } else {
        for (std::string line; std::getline(std::cin, line);) run(line);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}
