// The formats of the exchange engine, one row each: the extensions that choose it,
// the codes the engine reports for it and the free functions that read and write it.
// ReadInfoFile, ReadDataFile and WriteFile look everything up here, and only this
// dispatch records format and family codes. A new format is one source of free
// functions with the signatures below (its private state kept with FormatState), one
// row in format_table.cpp and its strings.
#pragma once

#include <toolbox/exchange/engine.h>

#include <cstddef>

namespace tb_exchange {

/// What the dispatch passes to a reader.
struct ReadRequest {
    CString fileName;
    CString tableName;
    CString separator;  ///< column separators of delimited text, empty for none
    CString decimal;    ///< decimal symbol of delimited text, empty for none
};

/// What a reader tells the dispatch besides its result.
struct ReadOutcome {
    /// Not empty: the file is not of this format after all; the dispatch reads this
    /// file as delimited text with the user's symbols instead.
    CString readAsText;
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

using ReadInfoEntry = int (*)(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
using ReadDataEntry = int (*)(CReadAndWriteFileFunction&);
using WriteEntry = int (*)(CReadAndWriteFileFunction&, const WriteRequest&);

/// Format codes from first to last; empty when first > last.
struct CodeRange {
    int first = 0;
    int last = -1;
    bool Holds(int code) const { return code >= first && code <= last; }
};

struct ExchangeFormat {
    const char* name;         ///< for messages and tbx: "Excel 4.0", "COMTRADE binary"
    int formatCode;           ///< write filter position; -1 when not written
    bool recordsCode;         ///< false: reading or naming the file records format code -1
    int familyCode;           ///< LoadVersion
    int fileKind;             ///< TB_KIND_*: chooses the data reader after ReadInfoFile
    int variant;              ///< tells rows of one FileKind apart (RecordFormat), 0 when alone
    const char* readNames;    ///< lower-case extensions read by this entry, space-separated
    const char* writeNames;   ///< lower-case extensions that choose this entry for a write
    const char* writeSuffix;  ///< extension appended when the format code alone chose the entry
    CodeRange sameFileCodes;  ///< codes a name with one of writeNames may choose instead
    UINT writeFilterId;       ///< string id of the write filter text; 0 when not written
    bool oneTextFile;         ///< the writer writes one text file
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
/// The name of a family code ("Microsoft Excel (.xls)"); "unknown" for any other code.
const char* FamilyName(int familyCode);

/// The read filter texts' ids in the order a file dialog lists them.
extern const UINT kReadFilterIds[8];

// ---------------------------------------------------------------- the dispatch

/// Extension of the last path component, from its last dot, lower-cased; empty when none.
CString LowerExtension(const CString& fileName);

/// Runs the info reader of the entry of fileKind with request, as ReadInfoFile does once
/// it has chosen the entry: sets FileKind, acts on a fallback to delimited text and
/// records the codes of what was read. The engine's named info members forward here.
int ReadInfoAs(CReadAndWriteFileFunction& engine, int fileKind, const ReadRequest& request);

/// Records the format and family codes of the entry of fileKind and variant, which a
/// reader or writer names once it knows what its file is (a characteristic value
/// encoding, a workbook version, COMTRADE ASCII or binary data); -1 and -1 when no
/// entry is both. The only place that writes the codes besides WriteFile itself.
void RecordFormat(CReadAndWriteFileFunction& engine, int fileKind, int variant = 0);
/// Records the family code of the entries of fileKind alone; the format code stays.
void RecordFamily(CReadAndWriteFileFunction& engine, int fileKind);

}  // namespace tb_exchange
