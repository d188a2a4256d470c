/// \file
/// \brief The file formats of the exchange engine, as its format table lists them.
// The file formats of the exchange engine, as its format table lists them: for tools,
// viewers and bindings that show formats, families and extensions, or decide how a
// file will be read, without a list of their own.
#pragma once

#include <toolbox/types/types.h>

/// One format of the exchange engine.
struct TBExchangeFormatInfo {
    CString name;             ///< "Excel 97", "COMTRADE binary", "SPICE raw"
    int formatCode = -1;      ///< write filter position (WriteFile, GetSaveVersion); -1 when only read
    /// GetSaveVersion after a file of this format was read: formatCode, except -1 for
    /// plain delimited text, which records no format code.
    int readFormatCode = -1;
    int familyCode = -1;      ///< GetLoadVersion of its files
    CString familyName;       ///< "Microsoft Excel (.xls)", as TBGetExchangeFamilyName gives it
    CString readExtensions;   ///< lower-case extensions ReadInfoFile reads as this format, space-separated; empty when none
    CString writeExtension;   ///< extension WriteFile appends when the format code alone chooses it; empty when not written
    bool readAsText = false;  ///< files of this format are read as delimited text
    bool oneTextFile = false; ///< the format is written as one text file (it can go to a pipe)
    bool holdsTables = false; ///< a file holds named tables or sheets; ReadInfoFile's tableName picks one
};

/// The number of formats (0 to count - 1 for TBGetExchangeFormat).
TB_EXPORT int TBGetExchangeFormatCount();

/// Fills info with format index; false (info untouched) when index is out of range.
TB_EXPORT bool TBGetExchangeFormat(int index, TBExchangeFormatInfo& info);

/// The index of the format with formatCode (a write filter position 0 to 14); -1 for
/// any other code.
TB_EXPORT int TBFindExchangeFormatOfCode(int formatCode);

/// The index of the format ReadInfoFile reads fileName as, by its extension (ignoring
/// case): delimited text for an unknown or missing extension, one recorder file for .dat.
TB_EXPORT int TBFindExchangeFormatOfFile(const CString& fileName);

/// The name of a family code (GetLoadVersion): "Microsoft Excel (.xls)", "CSV"...;
/// "unknown" for -1 or any other code.
TB_EXPORT CString TBGetExchangeFamilyName(int familyCode);
