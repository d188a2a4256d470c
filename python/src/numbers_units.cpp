#include "numbers_units.h"

#include "errors.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <toolbox/services/numbers.h>
#include <toolbox/units/materials.h>
#include <toolbox/units/quantity.h>
#include <toolbox/units/unit_manager.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace tb_python {
namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::vector<std::string> FormatEng(const Doubles& values, int digits, bool spaced, const std::string& separator) {
    const short shortDigits = static_cast<short>(std::max(-1, std::min(digits, 30)));
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(values.size()));
    const double* v = values.data();
    for (py::ssize_t i = 0; i < values.size(); ++i)
        texts.emplace_back(TBExtended_ftoa(v[i], shortDigits, spaced ? 1 : 0, CString(separator.c_str())).GetString());
    return texts;
}

py::array_t<double> ParseEng(const std::vector<std::string>& texts, const std::string& separator) {
    py::array_t<double> values(static_cast<py::ssize_t>(texts.size()));
    double* out = values.mutable_data();
    const CString sep(separator.c_str());
    for (std::size_t i = 0; i < texts.size(); ++i) out[i] = TBExtended_atof(CString(texts[i].c_str()), sep);
    return values;
}

// ---------------------------------------------------------------- units

std::vector<CQuantity*> AllQuantities() {
    CArray<CQuantity*> all;
    TBGetSharedUnitManager().GetQuantityArray(all, 0);
    return std::vector<CQuantity*>(all.GetData(), all.GetData() + all.GetSize());
}

// The quantity whose units include both spellings; the one given when named.
CQuantity* QuantityOf(const std::string& from, const std::string& to, const std::optional<std::string>& name) {
    CUnitManager& catalogue = TBGetSharedUnitManager();
    std::vector<CQuantity*> candidates;
    if (name) {
        CQuantity* q = nullptr;
        if (!catalogue.GetQuantity(name->c_str(), q)) throw py::value_error("unknown quantity '" + *name + "'");
        candidates.push_back(q);
    } else {
        candidates = AllQuantities();
    }
    std::vector<CQuantity*> matching;
    for (CQuantity* q : candidates) {
        CUnit* a = nullptr;
        CUnit* b = nullptr;
        if (catalogue.FindUnit(q->GetQuantityName(), from.c_str(), a) == TB_UNIT_FOUND &&
            catalogue.FindUnit(q->GetQuantityName(), to.c_str(), b) == TB_UNIT_FOUND)
            matching.push_back(q);
    }
    if (matching.empty())
        throw py::value_error("no quantity of the unit catalogue has both units '" + from + "' and '" + to + "'");
    // Sub-quantities repeat their main quantity's units: only distinct topmost
    // quantities make the units ambiguous ("\\deg\\C" is a Temperature and a
    // TemperatureDifference, which convert differently).
    std::vector<CQuantity*> topmost;
    for (CQuantity* q : matching) {
        while (q->GetMainQuantity()) q = q->GetMainQuantity();
        if (std::find(topmost.begin(), topmost.end(), q) == topmost.end()) topmost.push_back(q);
    }
    if (topmost.size() > 1) {
        std::string names;
        for (CQuantity* q : topmost)
            names += (names.empty() ? "" : ", ") + std::string(q->GetQuantityName().GetString());
        throw py::value_error("the units '" + from + "' and '" + to + "' belong to several quantities (" + names +
                              "): give quantity=");
    }
    return topmost.front();
}

double ConvertOne(CUnitManager& catalogue, const char* quantity, const char* from, const char* to, double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    CString out;
    if (!catalogue.Convert(quantity, from, text, to, out))
        throw ToolboxFailure(std::string("cannot convert from '") + from + "' to '" + to + "'", -1, {});
    errno = 0;
    char* end = nullptr;
    const double result = std::strtod(out.GetString(), &end);
    if (end == out.GetString() || *end != '\0')
        throw ToolboxFailure("the conversion gave no number: " + std::string(out.GetString()), -1, {});
    return result;
}

py::array_t<double> Convert(const Doubles& values, const std::string& from, const std::string& to,
                            const std::optional<std::string>& quantity) {
    CQuantity* q = QuantityOf(from, to, quantity);
    CUnitManager& catalogue = TBGetSharedUnitManager();
    py::array_t<double> out(values.size());
    const double* in = values.data();
    double* result = out.mutable_data();
    for (py::ssize_t i = 0; i < values.size(); ++i)
        result[i] = ConvertOne(catalogue, q->GetQuantityName(), from.c_str(), to.c_str(), in[i]);
    return out.reshape(std::vector<py::ssize_t>(values.shape(), values.shape() + values.ndim()));
}

py::list Quantities() {
    py::list quantities;
    for (CQuantity* q : AllQuantities()) {
        CUnit* base = q->GetBaseUnitObject();
        py::dict d;
        d["name"] = q->GetQuantityName().GetString();
        d["base_unit"] = base ? py::object(py::str(base->GetUnitAcronym().GetString())) : py::none();
        d["main"] = q->GetMainQuantity() ? py::object(py::str(q->GetMainQuantity()->GetQuantityName().GetString()))
                                         : py::none();
        quantities.append(d);
    }
    return quantities;
}

py::list UnitsOf(const std::string& quantity) {
    CArray<CUnit*> units;
    if (!TBGetSharedUnitManager().GetUnitArray(quantity.c_str(), units))
        throw py::value_error("unknown quantity '" + quantity + "'");
    py::list list;
    for (int i = 0; i < units.GetSize(); ++i)
        list.append(py::make_tuple(units[i]->GetUnitAcronym().GetString(), units[i]->GetUnitName().GetString()));
    return list;
}

// ---------------------------------------------------------------- materials

py::dict Properties(const char* const* keys, const CString* values, const CString* units, int count) {
    py::dict properties;
    for (int i = 0; i < count; ++i) {
        std::string key = keys[i];
        if (!key.empty() && key.back() == '-') key.pop_back();
        properties[py::str(key)] = py::make_tuple(values[i].GetString(), units[i].GetString());
    }
    return properties;
}

py::list Materials() {
    CArray<CTBMaterial*> all;
    TBGetSharedMaterialManager().GetMaterialArray(all);
    py::list materials;
    for (int i = 0; i < all.GetSize(); ++i) {
        CTBMaterial* m = all[i];
        py::dict d;
        d["name"] = m->GetMaterialName().GetString();
        d["conductor"] = m->m_conductorValid ? py::object(Properties(CTBMaterial::kConductorKeys, m->m_conductorValue,
                                                                     m->m_conductorUnit, kConductorProperties))
                                             : py::none();
        d["insulator"] = m->m_insulatorValid ? py::object(Properties(CTBMaterial::kInsulatorKeys, m->m_insulatorValue,
                                                                     m->m_insulatorUnit, kInsulatorProperties))
                                             : py::none();
        materials.append(d);
    }
    return materials;
}

}  // namespace

void BindNumbersAndUnits(py::module_& m) {
    m.def("_format_eng", &FormatEng, py::arg("values"), py::arg("digits"), py::arg("spaced"), py::arg("separator"));
    m.def("_parse_eng", &ParseEng, py::arg("texts"), py::arg("separator"));
    m.def("_convert", &Convert, py::arg("values"), py::arg("from_unit"), py::arg("to_unit"), py::arg("quantity"));
    m.def("_quantities", &Quantities);
    m.def("_units_of", &UnitsOf, py::arg("quantity"));
    m.def("_materials", &Materials);
}

}  // namespace tb_python
