#include "errors.h"

#include <pybind11/stl.h>

namespace tb_python {

void RegisterErrorTranslation() {
    pybind11::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const ToolboxFailure& e) {
            // The exception class lives in the Python package, which also documents it.
            pybind11::object type = pybind11::module_::import("toolbox._errors").attr("ToolboxError");
            pybind11::object error = type(e.what(), e.errorClass, e.warnings);
            PyErr_SetObject(type.ptr(), error.ptr());
        }
    });
}

std::vector<std::string> SplitWarnings(const std::string& text) {
    std::vector<std::string> warnings;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        warnings.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return warnings;
}

}  // namespace tb_python
