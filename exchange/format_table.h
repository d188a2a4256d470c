// The formats of the exchange engine, one entry each: the extensions that choose it,
// the codes the engine reports for it and the engine members that read and write it.
// ReadInfoFile, ReadDataFile and WriteFile look everything up here; a new format is
// one more entry (and its folder under exchange/).
#pragma once

#include <toolbox/exchange/engine.h>

#include <cstddef>

namespace tb_exchange {

/// What ReadInfoFile passes to a reader.
struct ReadRequest {
    CString fileName;
    CString tableName;
    CString separator;  ///< column separators of delimited text, empty for none
    CString decimal;    ///< decimal symbol of delimited text, empty for none
};

/// What WriteFile passes to a writer.
struct WriteRequest {
    CString name;  ///< the file to write
    CString tableName;
    const char* separator = nullptr;  ///< null: none given
    const char* decimal = nullptr;    ///< null: none given
    int comtradeOption = 0;
    bool byExtension = false;     ///< the extension of the name chose the entry
    bool codeChoseEntry = false;  ///< the format code is the entry's own
};

using ReadInfoEntry = int (*)(CReadAndWriteFileFunction&, const ReadRequest&);
using ReadDataEntry = int (*)(CReadAndWriteFileFunction&);
using WriteEntry = int (*)(CReadAndWriteFileFunction&, const WriteRequest&);

/// Format codes from first to last; empty when first > last.
struct CodeRange {
    int first = 0;
    int last = -1;
    bool Holds(int code) const { return code >= first && code <= last; }
};

struct ExchangeFormat {
    const char* name;         ///< for messages: "Excel 4.0", "COMTRADE binary"
    int formatCode;           ///< SaveVersion and write filter position; -1 when not written
    int familyCode;           ///< LoadVersion
    int fileKind;             ///< TB_KIND_*: chooses the data reader after ReadInfoFile
    const char* readNames;    ///< lower-case extensions read by this entry, space-separated
    const char* writeNames;   ///< lower-case extensions that choose this entry for a write
    const char* writeSuffix;  ///< extension appended when the format code alone chose the entry
    CodeRange sameFileCodes;  ///< codes a name with one of writeNames may choose instead
    UINT writeFilterId;       ///< string id of the write filter text; 0 when not written
    ReadInfoEntry readInfo;   ///< null when not read by extension
    ReadDataEntry readData;   ///< null when an entry of the same FileKind reads the data
    WriteEntry write;         ///< null when not written
};

/// The entries: writable ones first, in format-code order 0 to 14.
struct ExchangeFormatList {
    const ExchangeFormat* first;
    std::size_t count;
    const ExchangeFormat* begin() const { return first; }
    const ExchangeFormat* end() const { return first + count; }
};
ExchangeFormatList ExchangeFormats();

/// True when ext (".csv") is one of the space-separated extensions in names.
bool NamesHold(const char* names, const CString& ext);
/// The entry that reads ext; null when none does.
const ExchangeFormat* FindReadFormat(const CString& ext);
/// The entry that writes ext; null when none does.
const ExchangeFormat* FindWriteFormat(const CString& ext);
/// The entry of a format code; null for a code outside 0 to 14.
const ExchangeFormat* FindFormatOfCode(int formatCode);
/// The entry of a FileKind: the one with an info reader (and so the extension); null when none.
const ExchangeFormat* FindFormatOfKind(int fileKind);

/// The read filter texts' ids in the order a file dialog lists them.
extern const UINT kReadFilterIds[8];

}  // namespace tb_exchange
