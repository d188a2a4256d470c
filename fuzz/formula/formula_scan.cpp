// Fuzzes the formula scanner, evaluator and simplifier, directly and through the
// plug-ins' entry points. Whatever the simplifier prints must scan again.
#include "formula/engine.h"
#include <toolbox/formula/formula_api.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int CreateCFormelHelper(CFormelHelper** helper);
extern "C" int DestroyCFormelHelper(CFormelHelper** helper);
extern "C" int CFormelArraySize(CFormelHelper* helper);
extern "C" int CFormelVarNameAt(CString* name, CFormelHelper* helper, int index);
extern "C" int Fml2Upn(char* formula, CFormelHelper* helper, int flags);
extern "C" int UbhvBlock2Upn(const char* formula, CFormelHelper* helper, int* kind, CStringArray* names,
                             CPtrArray* errors);
extern "C" int UpnToSimplifyString(CString* formula, CFormelHelper* helper);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    formula::Program program;
    if (formula::Parse(text, program)) {
        formula::Bindings bindings(program.variables.size(), formula::Value(1.5, 0));
        formula::Value result;
        formula::Diagnostic error;
        formula::Evaluate(program, bindings, result, error);
        std::string simplified;
        if (formula::Simplify(program, simplified, error)) {
            formula::Program again;
            if (!formula::Parse(simplified, again)) std::abort();
        }
    } else if (program.errors.empty() || program.errors[0].message.empty()) {
        std::abort();
    }

    CFormelHelper* helper = nullptr;
    if (CreateCFormelHelper(&helper) != 0) return 0;
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    if (Fml2Upn(buffer.data(), helper, 0) == 0) {
        CString out(buffer.data());
        UpnToSimplifyString(&out, helper);
    }
    int kind = 0;
    CStringArray names;
    CPtrArray errors;
    UbhvBlock2Upn(buffer.data(), helper, &kind, &names, &errors);
    for (int i = 0; i < errors.GetSize(); ++i) delete static_cast<CFormelError*>(errors[i]);
    for (int i = 0, n = CFormelArraySize(helper); i < n; ++i) {
        CString name;
        if (CFormelVarNameAt(&name, helper, i) != 0) std::abort();
    }
    DestroyCFormelHelper(&helper);
    return 0;
}
