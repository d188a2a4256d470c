// A failure of the library as the module raises it: toolbox.ToolboxError with the
// library's message text, its error class and the warnings collected until then.
#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tb_python {

/// Thrown inside the module, turned into toolbox.ToolboxError at the boundary.
struct ToolboxFailure : std::runtime_error {
    ToolboxFailure(const std::string& message, int errorClass, std::vector<std::string> warnings)
        : std::runtime_error(message), errorClass(errorClass), warnings(std::move(warnings)) {}
    int errorClass;  ///< the engine's error class (3 file, 4 data, 5 header, 6 database, 7 cancelled), -1 none
    std::vector<std::string> warnings;
};

/// Registers the translation of ToolboxFailure into toolbox.ToolboxError.
void RegisterErrorTranslation();

/// Splits the engine's warning text ("...\r\n" per warning) into its warnings.
std::vector<std::string> SplitWarnings(const std::string& text);

}  // namespace tb_python
