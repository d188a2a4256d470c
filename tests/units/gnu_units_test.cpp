// Every conversion the default catalogue defines, checked against GNU units: each
// ordered pair of units of every quantity (sub-quantities with the units above them),
// at two values, to 12 significant digits.
#include "tests/units/units_test_util.h"
#include "tests/support/programs.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

using namespace tbtest;

namespace {

struct Query {
    std::string quantity, from, to, value;
    std::string have, want;
};

std::map<std::pair<std::string, std::string>, std::string> ReadNames() {
    std::map<std::pair<std::string, std::string>, std::string> names;
    std::ifstream in(std::string(TOOLBOX_SOURCE_DIR) + "/tests/units/gnu_units_names.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t a = line.find('|'), b = line.find('|', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        names[{line.substr(0, a), line.substr(a + 1, b - a - 1)}] = line.substr(b + 1);
    }
    return names;
}

// "tempC()" names a temperature scale: the value goes inside the parentheses.
std::string Have(const std::string& gnu, const std::string& value) {
    if (gnu.size() > 2 && gnu.compare(gnu.size() - 2, 2, "()") == 0) return gnu.substr(0, gnu.size() - 1) + value + ")";
    return value + " " + gnu;
}
std::string Want(const std::string& gnu) {
    if (gnu.size() > 2 && gnu.compare(gnu.size() - 2, 2, "()") == 0) return gnu.substr(0, gnu.size() - 2);
    return gnu;
}

TEST(GnuUnits, EveryConversionOfTheDefaultCatalogue) {
    if (Shell("units -V").status != 0)
        FAIL() << "GNU units is not installed (Debian package \"units\", scripts/install-deps)";
    CUnitManager m;
    ASSERT_EQ(m.ReadUnitCfg(DefaultUnitsFile().c_str()), 1);
    const auto names = ReadNames();
    std::vector<Query> queries;
    size_t units = 0;
    for (CQuantity* q : AllQuantities(m)) {
        const std::string quantity = q->GetQuantityName().str();
        CArray<CUnit*> own;
        q->FillUnitArray(own, 1, 0);
        for (int i = 0; i < own.GetSize(); ++i) {
            ++units;
            EXPECT_TRUE(names.count({quantity, own[i]->GetUnitAcronym().str()}))
                << quantity << " " << own[i]->GetUnitAcronym().str() << " has no GNU units name";
        }
        CArray<CUnit*> all;
        q->FillUnitArray(all, 1, 1);
        for (int i = 0; i < all.GetSize(); ++i) {
            for (int j = 0; j < all.GetSize(); ++j) {
                if (i == j) continue;
                const std::string from = all[i]->GetUnitAcronym().str(), to = all[j]->GetUnitAcronym().str();
                // A unit of a main quantity keeps its name in the sub-quantities below.
                auto find = [&](const std::string& acronym) -> std::string {
                    for (CQuantity* level = q; level; level = level->GetMainQuantity()) {
                        if (level->GetOwnUnitObject(acronym.c_str())) {
                            auto it = names.find({level->GetQuantityName().str(), acronym});
                            return it == names.end() ? std::string() : it->second;
                        }
                    }
                    return std::string();
                };
                const std::string gnuFrom = find(from), gnuTo = find(to);
                if (gnuFrom.empty() || gnuTo.empty()) continue;  // reported above
                for (const char* value : {"1.5", "1234.5678"})
                    queries.push_back({quantity, from, to, value, Have(gnuFrom, value), Want(gnuTo)});
            }
        }
    }
    EXPECT_EQ(units, names.size()) << "names listed for units the catalogue does not have";
    ASSERT_GT(queries.size(), 2000u);

    ScratchDir dir;
    {
        std::ofstream in(dir / "queries");
        for (const Query& q : queries) in << q.have << "\n" << q.want << "\n";
    }
    std::istringstream output(Shell("units -t -d 15 < '" + (dir / "queries") + "'").output);
    std::vector<std::string> answers;
    for (std::string line; std::getline(output, line);) answers.push_back(line);
    ASSERT_EQ(answers.size(), queries.size()) << "GNU units did not answer every query (an unknown name?)";

    int checked = 0;
    for (size_t i = 0; i < queries.size(); ++i) {
        const Query& q = queries[i];
        CString out;
        ASSERT_EQ(m.Convert(q.quantity.c_str(), q.from.c_str(), q.value.c_str(), q.to.c_str(), out), 1);
        char* end = nullptr;
        const double ours = std::strtod(out, &end);
        ASSERT_TRUE(end && *end == 0 && !out.IsEmpty())
            << q.quantity << " " << q.from << " -> " << q.to << " gave \"" << out.str() << "\"";
        const double theirs = std::strtod(answers[i].c_str(), &end);
        ASSERT_TRUE(end && *end == 0) << q.have << " -> " << q.want << ": GNU units said \"" << answers[i] << "\"";
        EXPECT_LE(std::fabs(ours - theirs), 5e-12 * std::fabs(theirs))
            << q.quantity << ": " << q.value << " " << q.from << " -> " << q.to << " gave " << out.str()
            << ", GNU units (" << q.have << " -> " << q.want << ") " << answers[i];
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(queries.size()));
}

}  // namespace
