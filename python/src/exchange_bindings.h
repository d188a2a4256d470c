// toolbox.read, toolbox.info, toolbox.write and toolbox.tables: data files through the
// exchange engine, as an outside host drives it.
#pragma once

#include <pybind11/pybind11.h>

namespace tb_python {

/// Adds the exchange functions to the extension module.
void BindExchange(pybind11::module_& module);

}  // namespace tb_python
