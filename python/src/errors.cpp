#include "errors.h"

#include <pybind11/stl.h>

namespace tb_python {
namespace {

// Messages carry file names and texts from files, which need not be UTF-8.
pybind11::str Decoded(const std::string& text) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    if (!decoded) throw pybind11::error_already_set();
    return pybind11::reinterpret_steal<pybind11::str>(decoded);
}

}  // namespace

void RegisterErrorTranslation() {
    pybind11::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const ToolboxFailure& e) {
            // The exception class lives in the Python package, which also documents it.
            pybind11::object type = pybind11::module_::import("toolbox._errors").attr("ToolboxError");
            pybind11::list warnings;
            for (const std::string& warning : e.warnings) warnings.append(Decoded(warning));
            pybind11::object error = type(Decoded(e.what()), e.errorClass, warnings);
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
