// The calculator's catalogue, in the order the lists show it.
#include "controls/formula/formula_catalogue.h"

#include <toolbox/resources/string_table.h>

#include <initializer_list>

namespace {

constexpr bool F = true;   // function: inserted as name( ... )
constexpr bool S = false;  // symbol: inserted as it stands

struct EntryRow {
    const char* insert;
    const char* display;
    bool function;
};

struct CategoryRow {
    UINT nameId;
    std::initializer_list<EntryRow> entries;
};

const CategoryRow kCatalogue[] = {
    {5522,
     {{"sin", "", F},
      {"cos", "", F},
      {"tan", "", F},
      {"asin", "", F},
      {"acos", "", F},
      {"atan", "", F},
      {"atan2", "", F},
      {"sinh", "", F},
      {"cosh", "", F},
      {"tanh", "", F}}},
    {5523,
     {{"squ", "", F}, {"^", "", S}, {"sqrt", "", F}, {"root", "", F}, {"exp", "", F}, {"ln", "", F}, {"log", "", F}}},
    {5524, {{"arg", "", F}, {"abs", "", F}, {"re", "", F}, {"im", "", F}}},
    {5525, {{"sgn", "", F}, {"int", "", F}, {"frac", "", F}}},
    {5526, {{"rad", "", F}, {"deg", "", F}, {"degel", "", F}}},
    {5527,
     {{"AND", "", S},
      {"OR", "", S},
      {"NOT", "", S},
      {"=", "", S},
      {"<>", "", S},
      {"><", "", S},
      {"<", "", S},
      {"<=", "", S},
      {">", "", S},
      {">=", "", S}}},
    {5528,
     {{"+", "", S},
      {"-", "", S},
      {"*", "", S},
      {"/", "", S},
      {":=", "", S},
      {"(", "", S},
      {")", "", S},
      {"mod", "", F},
      {"min", "", F},
      {"max", "", F}}},
    {5529,
     {{"MATH_PI", "", S},
      {"MATH_E", "", S},
      {"PHYS_E0", "", S},
      {"PHYS_MU0", "", S},
      {"PHYS_K", "", S},
      {"PHYS_Q", "", S},
      {"PHYS_C", "", S},
      {"PHYS_G", "", S},
      {"PHYS_H", "", S},
      {"PHYS_T0", "", S}}},
    {5533,
     {{"IF( )\r\n{\r\n}", "IF( )", S},
      {"ELSE\r\n{\r\n}", "ELSE", S},
      {"ELSE IF( )\r\n{\r\n}", "ELSE IF( )", S}}},
};

}  // namespace

std::vector<CTBFormulaCategory> TBBuildFormulaCatalogue() {
    std::vector<CTBFormulaCategory> categories;
    for (const CategoryRow& row : kCatalogue) {
        CTBFormulaCategory category;
        category.name = TBLoadString(row.nameId);
        for (const EntryRow& e : row.entries) category.entries.push_back({e.insert, e.display, e.function});
        categories.push_back(std::move(category));
    }
    return categories;
}
