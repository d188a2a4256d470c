// Helpers of the unit tests: catalogue files in scratch directories and a check that
// no quantity refers to one that is no longer in the catalogue.
#pragma once

#include <toolbox/os/profile_cache.h>
#include "tests/support/files.h"

#include <gtest/gtest.h>
#include <toolbox/units/unit_manager.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

/// Runs write in a child process whose files cannot grow beyond limit bytes, as on a
/// full disk: every write past it fails. True when the child ended normally.
inline bool RunWithFileSizeLimit(rlim_t limit, const std::function<void()>& write) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{limit, limit};
        setrlimit(RLIMIT_FSIZE, &small);
        write();
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status);
}

/// A test of catalogue files in a scratch directory; the profile cache forgets them after each test.
class CatalogueFiles : public ::testing::Test {
protected:
    void TearDown() override { CloseAllPrivateFiles(0); }
    /// Writes text to the file name in the scratch directory and returns its path.
    std::string Write(const std::string& text, const std::string& name = "units.skl") {
        tbtest::WriteFile(dir / name, text);
        return dir / name;
    }
    tbtest::ScratchDir dir;
};

inline std::string DefaultUnitsFile() { return std::string(TOOLBOX_SOURCE_DIR) + "/template/units.skl"; }
inline std::string DefaultMaterialsFile() { return std::string(TOOLBOX_SOURCE_DIR) + "/template/materials.skl"; }

inline std::vector<CQuantity*> AllQuantities(const CUnitManager& m, int mainOnly = 0) {
    CArray<CQuantity*> a;
    m.GetQuantityArray(a, mainOnly);
    std::vector<CQuantity*> v;
    for (int i = 0; i < a.GetSize(); ++i) v.push_back(a[i]);
    return v;
}

inline std::vector<std::string> QuantityNames(const CUnitManager& m, int mainOnly = 0) {
    std::vector<std::string> names;
    for (CQuantity* q : AllQuantities(m, mainOnly)) names.push_back(q->GetQuantityName().str());
    return names;
}

/// The names of all quantities, sorted.
inline std::vector<std::string> SortedQuantityNames(const CUnitManager& m) {
    std::vector<std::string> names = QuantityNames(m);
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> UnitAcronyms(const CUnitManager& m, const char* quantity) {
    CStringArray a;
    std::vector<std::string> v;
    if (!m.GetUnitArray(quantity, a)) return v;
    for (int i = 0; i < a.GetSize(); ++i) v.push_back(a[i].str());
    return v;
}

/// Every link between quantities points at a quantity the table holds, both ways.
inline void ExpectConsistentTree(const CUnitManager& m) {
    const std::vector<CQuantity*> all = AllQuantities(m);
    const std::set<CQuantity*> stored(all.begin(), all.end());
    for (CQuantity* q : all) {
        CQuantity* stored_q = nullptr;
        ASSERT_TRUE(m.GetQuantity(q->GetQuantityName(), stored_q));
        EXPECT_EQ(stored_q, q);
        if (CQuantity* main = q->GetMainQuantity()) {
            EXPECT_TRUE(stored.count(main)) << q->GetQuantityName().str() << " has a main quantity outside the table";
            int links = 0;
            for (int i = 0; i < main->GetSubQuantities().GetSize(); ++i) links += main->GetSubQuantities()[i] == q;
            EXPECT_EQ(links, 1) << q->GetQuantityName().str();
        } else {
            EXPECT_NE(q->GetBaseUnitObject(), nullptr) << q->GetQuantityName().str();
        }
        for (int i = 0; i < q->GetSubQuantities().GetSize(); ++i) {
            CQuantity* sub = q->GetSubQuantities()[i];
            EXPECT_TRUE(stored.count(sub)) << q->GetQuantityName().str() << " lists a sub-quantity outside the table";
            if (stored.count(sub)) {
                EXPECT_EQ(sub->GetMainQuantity(), q);
            }
        }
    }
}
