// Language files over arbitrary bytes: parsing must end with a module or an error
// text, never touching memory outside the text.
#include <toolbox/resources/language_file.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CString error;
    auto file = CLanguageFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!file && error.IsEmpty()) std::abort();
    if (file) {
        CString text;
        file->FindString(4, text);
    }
    return 0;
}
