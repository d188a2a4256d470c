// The three plug-ins loaded by path with dlopen and called through their entry points
// the way the unit conversion and the formula check call them.
#include <toolbox/formula/formula_api.h>
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

class FormulaPlugins : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string dir = FORMULA_PLUGIN_DIR;
        s_solver = dlopen((dir + "/libquendral.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        s_translator = dlopen((dir + "/liblurvenc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        s_helper = dlopen((dir + "/libvexa2000.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    static void TearDownTestSuite() {
        for (void* h : {s_solver, s_translator, s_helper})
            if (h) dlclose(h);
    }

    void SetUp() override {
        ASSERT_NE(s_solver, nullptr) << dlerror();
        ASSERT_NE(s_translator, nullptr);
        ASSERT_NE(s_helper, nullptr);
        Find(s_solver, "UpnToSimplifyString", simplify);
        Find(s_translator, "Fml2Upn", translate);
        Find(s_translator, "UbhvBlock2Upn", scanBlock);
        Find(s_helper, "CreateCFormelHelper", create);
        Find(s_helper, "DestroyCFormelHelper", destroy);
        Find(s_helper, "CFormelArraySize", arraySize);
        Find(s_helper, "CFormelVarNameAt", varNameAt);
    }

    template <class F>
    static void Find(void* lib, const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(lib, name));
        ASSERT_NE(f, nullptr) << name;
    }

    // The evaluation of the unit conversion: returns the result code and leaves the
    // solver's text in formula on success.
    int Convert(CString& formula) {
        CFormelHelper* helper = nullptr;
        int result = create(&helper);
        if (result == 0) {
            std::vector<char> buffer(formula.GetString(), formula.GetString() + formula.GetLength() + 1);
            result = translate(buffer.data(), helper, 0);
            if (result == 0) {
                CString copy = formula;
                result = simplify(&copy, helper);
                if (result == 0) formula = copy;
            }
        }
        destroy(&helper);
        EXPECT_EQ(helper, nullptr);
        return result;
    }
    /// Convert's result code and the text it leaves: "<code> <text>".
    std::string Reduced(const char* text) {
        CString formula = text;
        const int result = Convert(formula);
        return std::to_string(result) + " " + formula.GetString();
    }

    struct Check {
        int result = -1;
        int kind = -2;
        std::vector<std::string> names;
        std::string errors;
        bool assignment = false;
        std::string assigned;
        std::vector<std::string> variables;
    };

    // The formula check of the calculator dialog.
    Check Scan(const char* formula) {
        Check c;
        CFormelHelper* helper = nullptr;
        EXPECT_EQ(create(&helper), 0);
        CStringArray names;
        CPtrArray errors;
        c.result = scanBlock(formula, helper, &c.kind, &names, &errors);
        for (int i = 0; i < errors.GetSize(); ++i) {
            CFormelError* e = static_cast<CFormelError*>(errors[i]);
            c.errors += e->GetMessage().GetString();
            delete e;
        }
        for (int i = 0; i < names.GetSize(); ++i) c.names.push_back(names[i].GetString());
        c.assignment = helper->IsAssignment() != 0;
        c.assigned = helper->GetAssignedName().GetString();
        for (int i = 0; i < arraySize(helper); ++i) {
            CString name;
            EXPECT_EQ(varNameAt(&name, helper, i), 0);
            c.variables.push_back(name.GetString());
        }
        EXPECT_EQ(destroy(&helper), 0);
        return c;
    }

    static void* s_solver;
    static void* s_translator;
    static void* s_helper;
    PFN_UpnToSimplifyString simplify = nullptr;
    PFN_Fml2Upn translate = nullptr;
    PFN_UbhvBlock2Upn scanBlock = nullptr;
    PFN_CreateCFormelHelper create = nullptr;
    PFN_DestroyCFormelHelper destroy = nullptr;
    PFN_CFormelArraySize arraySize = nullptr;
    PFN_CFormelVarNameAt varNameAt = nullptr;
};

void* FormulaPlugins::s_solver = nullptr;
void* FormulaPlugins::s_translator = nullptr;
void* FormulaPlugins::s_helper = nullptr;

}  // namespace

TEST_F(FormulaPlugins, ConversionFormulasReduceToNumbers) {
    EXPECT_EQ(Reduced("(((5)/1000))"), "0 0.005");
    EXPECT_EQ(Reduced("(((37)-(-273.15)))"), "0 310.15");
    EXPECT_EQ(Reduced("((((98.6)-32)*5/9))"), "0 37");
    EXPECT_EQ(Reduced("(((2.2k)*1000))"), "0 2200000");  // a value with a prefix
    EXPECT_EQ(Reduced("(((x)/1000))"), "0 x/1000");      // a value that is a formula
    EXPECT_EQ(Reduced("(((2k2)*1000))"), std::to_string(FORMEL_ERROR_SYNTAX) + " (((2k2)*1000))");  // text kept
    EXPECT_EQ(Reduced("(((1)/0))"), std::to_string(FORMEL_ERROR_MATH) + " (((1)/0))");
}

TEST_F(FormulaPlugins, ErrorsStayInTheHelper) {
    CFormelHelper* helper = nullptr;
    ASSERT_EQ(create(&helper), 0);
    char text[] = "1 + sinn(2)";
    EXPECT_EQ(translate(text, helper, 0), FORMEL_ERROR_SYNTAX);
    EXPECT_EQ(helper->GetLastError(), "unknown function 'sinn' at column 5");
    EXPECT_EQ(helper->GetKind(), FORMEL_KIND_NONE);
    CString s = "1 + sinn(2)";
    EXPECT_EQ(simplify(&s, helper), FORMEL_ERROR_SYNTAX);
    char good[] = "y := 2*3";
    EXPECT_EQ(translate(good, helper, 0), 0);  // the helper can be used again
    EXPECT_EQ(helper->GetLastError(), "");
    EXPECT_TRUE(helper->IsAssignment());
    EXPECT_EQ(helper->GetAssignedName(), "y");
    EXPECT_EQ(simplify(&s, helper), 0);
    EXPECT_EQ(s, "y := 6");
    char zero[] = "1/(2-2)";
    EXPECT_EQ(translate(zero, helper, 0), 0);
    EXPECT_EQ(simplify(&s, helper), FORMEL_ERROR_MATH);
    EXPECT_EQ(helper->GetLastError(), "'/' at column 2 divides by zero");
    EXPECT_EQ(s, "y := 6");
    EXPECT_EQ(destroy(&helper), 0);
}

TEST_F(FormulaPlugins, SimplifyWithoutScanReadsTheString) {
    CFormelHelper* helper = nullptr;
    ASSERT_EQ(create(&helper), 0);
    CString s = "2^10";
    EXPECT_EQ(simplify(&s, helper), 0);
    EXPECT_EQ(s, "1024");
    destroy(&helper);
}

TEST_F(FormulaPlugins, TheFormulaCheckSeesKindsNamesAndVariables) {
    Check c = Scan("x := a + b*a");
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.kind, FORMEL_KIND_ASSIGNMENT);
    EXPECT_TRUE(c.assignment);
    EXPECT_EQ(c.assigned, "x");
    EXPECT_EQ(c.variables, (std::vector<std::string>{"x", "a", "b"}));
    EXPECT_EQ(c.errors, "");

    c = Scan("1 + 2");
    EXPECT_EQ(c.kind, FORMEL_KIND_EXPRESSION);
    EXPECT_FALSE(c.assignment);
    EXPECT_TRUE(c.variables.empty());

    c = Scan("IF(u > 1)\r\n{\r\n  p := u*i\r\n}\r\nELSE\r\n{\r\n  p := 0\r\n  q := 1\r\n}");
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.kind, FORMEL_KIND_BLOCK);
    EXPECT_EQ(c.names, (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(c.variables, (std::vector<std::string>{"u", "p", "i", "q"}));
    EXPECT_FALSE(c.assignment);
}

TEST_F(FormulaPlugins, ScanErrorsComeAsObjectsWithMessages) {
    Check c = Scan("sinn(1) + tan(1, 2)");
    EXPECT_EQ(c.result, FORMEL_ERROR_SYNTAX);
    EXPECT_EQ(c.kind, FORMEL_KIND_NONE);
    // Joined without a separator they read one per line.
    EXPECT_EQ(c.errors, "unknown function 'sinn' at column 1\n'tan' at column 11 takes 1 argument, not 2\n");
    EXPECT_TRUE(c.variables.empty());

    CFormelHelper* helper = nullptr;
    ASSERT_EQ(create(&helper), 0);
    CPtrArray errors;
    int kind = 0;
    EXPECT_EQ(scanBlock("IF(a)\n{\n  b := )\n}", helper, &kind, nullptr, &errors), FORMEL_ERROR_SYNTAX);
    ASSERT_EQ(errors.GetSize(), 1);
    CFormelError* e = static_cast<CFormelError*>(errors[0]);
    EXPECT_EQ(e->GetLine(), 3);
    EXPECT_EQ(e->GetColumn(), 8);
    EXPECT_EQ(e->GetMessage(), "expected a value but found ')' at line 3, column 8\n");
    delete e;
    destroy(&helper);
}

TEST_F(FormulaPlugins, BadArgumentsAreRefused) {
    EXPECT_EQ(create(nullptr), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(destroy(nullptr), FORMEL_ERROR_ARGUMENT);
    CFormelHelper* none = nullptr;
    EXPECT_EQ(destroy(&none), 0);  // destroying nothing is fine
    char text[] = "1";
    EXPECT_EQ(translate(text, nullptr, 0), FORMEL_ERROR_ARGUMENT);
    CString s = "1";
    EXPECT_EQ(simplify(&s, nullptr), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(arraySize(nullptr), 0);
    EXPECT_EQ(varNameAt(&s, nullptr, 0), FORMEL_ERROR_ARGUMENT);

    // A pointer that is not a helper is recognised and left alone.
    CFormelHelper foreign;
    EXPECT_EQ(translate(text, &foreign, 0), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(simplify(&s, &foreign), FORMEL_ERROR_ARGUMENT);

    CFormelHelper* helper = nullptr;
    ASSERT_EQ(create(&helper), 0);
    EXPECT_EQ(translate(nullptr, helper, 0), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(simplify(nullptr, helper), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(arraySize(helper), 0);  // nothing scanned yet
    EXPECT_EQ(varNameAt(&s, helper, 0), FORMEL_ERROR_EMPTY);
    char formula[] = "a + b";
    ASSERT_EQ(translate(formula, helper, 0), 0);
    EXPECT_EQ(varNameAt(&s, helper, 2), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(varNameAt(&s, helper, -1), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(varNameAt(nullptr, helper, 0), FORMEL_ERROR_ARGUMENT);

    CPtrArray errors;
    int kind = 7;
    EXPECT_EQ(scanBlock(nullptr, helper, &kind, nullptr, &errors), FORMEL_ERROR_ARGUMENT);
    EXPECT_EQ(kind, FORMEL_KIND_NONE);
    EXPECT_EQ(scanBlock("1", nullptr, &kind, nullptr, &errors), FORMEL_ERROR_ARGUMENT);
    ASSERT_EQ(errors.GetSize(), 2);
    EXPECT_EQ(static_cast<CFormelError*>(errors[1])->GetMessage(), "the scanner has no helper object\n");
    for (int i = 0; i < errors.GetSize(); ++i) delete static_cast<CFormelError*>(errors[i]);
    EXPECT_EQ(scanBlock("1", helper, nullptr, nullptr, nullptr), 0);  // every output is optional

    EXPECT_EQ(destroy(&helper), 0);
    EXPECT_EQ(helper, nullptr);
}

TEST_F(FormulaPlugins, PluginsNeedNothingOfTheLibrary) {
    const std::string dir = FORMULA_PLUGIN_DIR;
    const std::string out =
        tbtest::Shell("readelf -d " + dir + "/libquendral.so " + dir + "/liblurvenc.so " + dir + "/libvexa2000.so")
            .output;
    if (out.find("NEEDED") == std::string::npos) GTEST_SKIP() << "readelf is not available";
    EXPECT_NE(out.find("libstdc++"), std::string::npos);
    EXPECT_EQ(out.find("libtoolbox"), std::string::npos) << out;
}
