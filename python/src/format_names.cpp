// The format and family of a file as the engine's format table names them, so that the
// module, tbx and the file dialogs speak of the same formats.
#include "format_names.h"

#include <toolbox/exchange/format_list.h>

namespace tb_python {

FormatDescription DescribeFormat(const CReadAndWriteFiles& files) {
    FormatDescription d;
    d.familyCode = files.GetLoadVersion();
    d.formatCode = files.GetSaveVersion();
    d.family = TBGetExchangeFamilyName(d.familyCode).GetString();
    // A written or recorded format code names the format exactly; without one (plain
    // text, listings, raw files, recorder files) the file's extension does.
    const int index = d.formatCode >= 0 ? TBFindExchangeFormatOfCode(d.formatCode)
                                        : TBFindExchangeFormatOfFile(files.GetFileName());
    TBExchangeFormatInfo info;
    d.format = TBGetExchangeFormat(index, info) ? info.name.GetString() : d.family;
    return d;
}

namespace {

TBExchangeFormatInfo FormatOfFile(const std::string& path) {
    TBExchangeFormatInfo info;
    TBGetExchangeFormat(TBFindExchangeFormatOfFile(CString(path.c_str())), info);
    return info;
}

}  // namespace

bool IsReadAsText(const std::string& path) { return FormatOfFile(path).readAsText; }

bool HoldsTables(const std::string& path) { return FormatOfFile(path).holdsTables; }

}  // namespace tb_python
