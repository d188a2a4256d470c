// The extension module toolbox._toolbox: the library's exchange engine, engineering
// numbers, units and materials for Python. The package toolbox wraps these functions
// into its documented interface; this layer only converts and guards.
#include "call_answers.h"
#include "errors.h"
#include "exchange_bindings.h"
#include "numbers_units.h"

#include <pybind11/pybind11.h>
#include <toolbox/version.h>

PYBIND11_MODULE(_toolbox, m) {
    m.doc() = "The toolbox library's data exchange, numbers and units (use the package toolbox).";
    m.attr("__version__") = TB_VERSION_TEXT;
    tb_python::InstallAnsweringHub();
    tb_python::RegisterErrorTranslation();
    tb_python::BindExchange(m);
    tb_python::BindNumbersAndUnits(m);
}
