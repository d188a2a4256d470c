// Engineering numbers, unit conversion and the materials catalogue for the module.
#pragma once

#include <pybind11/pybind11.h>

namespace tb_python {

/// Adds format_eng and parse_eng to the module and the units and materials functions
/// to its submodule units.
void BindNumbersAndUnits(pybind11::module_& module);

}  // namespace tb_python
