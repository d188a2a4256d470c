// The format and family of the file an engine read or wrote, as the module reports them.
#pragma once

#include <toolbox/exchange/read_and_write_files.h>

#include <string>

namespace tb_python {

/// The format of the last file an engine read or wrote.
struct FormatDescription {
    std::string format;   ///< the format's name ("CSV", "COMTRADE"...)
    std::string family;   ///< the family's name
    int familyCode = -1;  ///< GetLoadVersion
    int formatCode = -1;  ///< GetSaveVersion
};

/// Names the format of the engine's last file as the format table names it.
FormatDescription DescribeFormat(const CReadAndWriteFiles& files);

/// True when a file of this name is read as delimited text (unknown extensions too).
bool IsReadAsText(const std::string& path);

/// True when a file of this name holds named tables or sheets (workbooks, databases).
bool HoldsTables(const std::string& path);

}  // namespace tb_python
