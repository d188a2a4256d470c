/// \file
/// \brief CReadAndWriteFileFunction: the file exchange engine.
// CReadAndWriteFileFunction: the file exchange engine. It holds the channel table and
// the state every format reader and writer shares, maps a file name (its extension) or
// a format code to a reader or writer, and keeps the error text, error class and
// warnings of the last operation.
//
// A read is two steps: ReadInfoFile learns channel names, units and counts; the host
// attaches storage to the channels (GetChannel(i)->SetDoublePtr(...) and so on) and
// calls ReadDataFile. A write: SetNrChannels, SetNrItems, one InsertChannel per
// column, then WriteFile.
//
// Formats. One table beside the engine maps extensions and format codes to each
// format's free functions, in one source per format under exchange/; the named
// members below are the entries hosts call directly and forward to that work. The
// shared state is public for the format sources; what only one format needs it keeps
// in FormatStates. A format entry should not throw; the dispatch turns an escaped
// exception into an error result all the same.
#pragma once

#include <toolbox/exchange/channel.h>
#include <toolbox/types/types.h>

#include <cstddef>
#include <memory>
#include <vector>

/// Error classes of GetLastErrorNumber.
enum : int {
    TB_EXCHANGE_NO_ERROR = -1,
    TB_EXCHANGE_FILE_ERROR = 3,      ///< cannot be opened, invalid format or content
    TB_EXCHANGE_DATA_ERROR = 4,      ///< memory or channel data
    TB_EXCHANGE_HEADER_ERROR = 5,    ///< characteristic .mdk header
    TB_EXCHANGE_DATABASE_ERROR = 6,  ///< database
    TB_EXCHANGE_CANCELLED = 7,       ///< the user cancelled a dialog
};

/// FileKind: the reader family chosen by the last ReadInfoFile or WriteFile.
enum : int {
    TB_KIND_MDA_MDK = 0,
    TB_KIND_MDX = 1,
    TB_KIND_XLS = 2,
    TB_KIND_MDB = 3,
    TB_KIND_TEXT = 4,
    TB_KIND_CSV = 5,
    TB_KIND_OUT = 6,
    TB_KIND_COMTRADE = 7,
    TB_KIND_RECORDER = 8,
    TB_KIND_RECORDER_FILES = 9,
    TB_KIND_SPICE_RAW = 10,
};

/// The engine's channel slots. The table owns the channel objects, never their value
/// storage; a copy of the table holds copies of the channels, which share the host's
/// storage with the originals. A slot may be empty (null).
class CExImPortChannelTable {
public:
    /// An empty table.
    CExImPortChannelTable() = default;
    /// Copies of other's channels, sharing their value storage.
    CExImPortChannelTable(const CExImPortChannelTable& other) { CopyFrom(other); }
    /// Destroys this table's channels and takes copies of other's.
    CExImPortChannelTable& operator=(const CExImPortChannelTable& other) {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    /// Takes other's channels; other is left empty.
    CExImPortChannelTable(CExImPortChannelTable&&) noexcept = default;
    /// Destroys this table's channels and takes other's.
    CExImPortChannelTable& operator=(CExImPortChannelTable&&) noexcept = default;
    /// Destroys every channel, never its value storage.
    ~CExImPortChannelTable() = default;

    /// Number of slots, empty ones included.
    int GetSize() const { return static_cast<int>(m_slots.size()); }
    /// The channel in slot index (null when empty); index must lie in the table.
    CExImPortChannel* operator[](int index) const { return m_slots[static_cast<std::size_t>(index)].get(); }
    /// Stores channel in slot index, growing the table; the channel there before is
    /// destroyed. A negative index stores nothing.
    void Put(int index, std::unique_ptr<CExImPortChannel> channel) {
        if (index < 0) return;
        if (index >= GetSize()) m_slots.resize(static_cast<std::size_t>(index) + 1);
        m_slots[static_cast<std::size_t>(index)] = std::move(channel);
    }
    /// Appends a slot holding channel.
    void Add(std::unique_ptr<CExImPortChannel> channel) { m_slots.push_back(std::move(channel)); }
    /// Destroys every channel and empties the table.
    void RemoveAll() { m_slots.clear(); }

private:
    void CopyFrom(const CExImPortChannelTable& other) {
        std::vector<std::unique_ptr<CExImPortChannel>> copies;
        copies.reserve(other.m_slots.size());
        for (const auto& channel : other.m_slots)
            copies.push_back(channel ? std::make_unique<CExImPortChannel>(*channel) : nullptr);
        m_slots = std::move(copies);
    }
    std::vector<std::unique_ptr<CExImPortChannel>> m_slots;
};

/// The private state the formats keep per engine (a COMTRADE record's layout, a
/// database kept open between the two steps of a read), opaque to hosts. A copy holds
/// copies of every format's state.
class TB_EXPORT CExchangeFormatStates {
public:
    /// No state yet: each format creates its own on first use.
    CExchangeFormatStates();
    /// Copies of other's states.
    CExchangeFormatStates(const CExchangeFormatStates& other);
    /// Replaces the states with copies of other's.
    CExchangeFormatStates& operator=(const CExchangeFormatStates& other);
    /// Destroys every state.
    ~CExchangeFormatStates();
    /// Forgets every state, as before the first file.
    void Clear();

    /// The states themselves, defined by the library's format sources.
    struct Store;
    /// The store, created on first use.
    Store& GetStore();

private:
    std::unique_ptr<Store> m_store;
};

/// The file exchange engine: a table of channels and the state the format readers and writers share. Results: 1 success, 2 success with warnings (GetLastWarn), 0 failure (GetLastError, GetLastErrorNumber). Owns the channel objects, never the host's value storage.
class TB_EXPORT CReadAndWriteFileFunction {
public:
    CReadAndWriteFileFunction() = default;
    /// Copies the whole state; the copy owns copies of the channel objects (which share
    /// the host's value storage with the originals).
    CReadAndWriteFileFunction(const CReadAndWriteFileFunction& other) = default;
    /// Replaces the whole state with a copy of other's, as the copy constructor does.
    CReadAndWriteFileFunction& operator=(const CReadAndWriteFileFunction& other) = default;
    /// Destroys every channel object in the table, never their value storage.
    ~CReadAndWriteFileFunction() = default;

    // ------------------------------------------------------------ channel table
    /// Store the counts; the channel table is not resized.
    void SetNrChannels(int count) { NrChannels = count; }
    /// The number of channel slots set with SetNrChannels or learnt by the last ReadInfoFile.
    int GetNrChannels() const { return NrChannels; }
    /// Stores the number of values per channel a write takes from each channel's storage.
    void SetNrItems(int count) { NrItems = count; }
    /// Values per channel: set with SetNrItems or learnt by the last ReadInfoFile.
    int GetNrItems() const { return NrItems; }

    /// Empties the warnings and LastError, then creates a channel with values as its
    /// double array and stores it at index (replacing a channel already there) when
    /// index is below NrChannels: result 1. Otherwise warning 56 and result 2.
    int InsertChannel(int index, CArray<double, double>* values, CString name, CString unit);
    /// The same with a raw block of NrItems doubles; warnings and LastError stay.
    int InsertChannel(int index, double* values, CString name, CString unit);
    /// The same with a string array; warnings and LastError stay.
    int InsertChannel(int index, CStringArray* values, CString name, CString unit);
    /// The same with a variant array; warnings and LastError stay.
    int InsertChannel(int index, CArray<COleVariant, COleVariant>* values, CString name, CString unit);
    /// Appends a channel without name, unit or storage while the table is smaller than
    /// NrChannels: result 1; otherwise warning 56 and result 2.
    int AddEmptyChannel();
    /// The channel in slot index; null when index is negative, not below NrChannels or
    /// not below the table size, or when the slot is empty.
    CExImPortChannel* GetChannel(int index) const;
    /// Stores channel (the engine takes ownership) in slot index when index is below
    /// NrChannels; otherwise nothing happens (and the engine does not take it).
    void SetChannel(int index, CExImPortChannel* channel);
    /// The engine's own array of x-vector lengths of an N-dimensional table.
    CUIntArray* GetXVecLengths() { return &XVecLengths; }

    // ------------------------------------------------------------ files
    /// First step of a read: picks the reader by the extension of fileName (ignoring
    /// case) and returns its result (1 success, 2 success with warnings, 0 failure).
    /// separator and decimal (null for none) serve .txt and unknown extensions;
    /// withDialog = 1 lets readers ask the user; datFileKind selects how a .dat file is
    /// read when withDialog is 1 (0 not at all, 1 as text, 2 one recorder file, other
    /// values several recorder files). formatCode and reserved are not used.
    int ReadInfoFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                     int withDialog, int reserved, int datFileKind);
    /// Second step of a read: fills the storage attached to the channels through the
    /// reader chosen by the last ReadInfoFile.
    int ReadDataFile();
    /// Writes all channels. The extension of fileName picks the writer (formatCode
    /// refines it); without a known extension formatCode (a write filter position, 0 to
    /// 14) picks it and the extension is appended to the name written.
    int WriteFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                  int withDialog, int comtradeOption);

    /// Appends the read filter texts (ids 103, 101, 100, 102, 104, 105, 119, 122).
    void GetFormatFilterRead(CStringArray* filters) const;
    /// Appends the 15 write filter texts in format-code order.
    void GetFormatFilterWrite(CStringArray* filters) const;

    // ------------------------------------------------------------ state and messages
    /// The file of the last ReadInfoFile or WriteFile.
    CString GetFileName() const { return FileName; }
    /// Value encoding of a characteristic file: 'A' text, '4' 4-byte or '8' 8-byte binary values.
    int GetTyp() const { return Typ; }
    /// Separator character of a characteristic file (';' by default).
    int GetSep() const { return Sep; }
    /// The column separator characters of the last delimited text file.
    CString GetSeperator() const { return Separator; }
    /// The decimal symbol of the last delimited text file.
    CString GetDecimal() const { return Decimal; }
    /// The table (database) or sheet (workbook) of the last database file.
    CString GetTableName() const { return TableName; }
    /// The connect string of the last database file ("Excel 3.0;", "Excel 5.0;"...), which says its version.
    CString GetConnectTitle() const { return ConnectTitle; }
    /// Format code of the last file (write filter position), -1 for none.
    int GetSaveVersion() const { return SaveVersion; }
    /// Family code of the last file: 0 .mdx, 1 .mda/.mdk, 2 Access, 3 Excel, 4 text,
    /// 5 CSV, 6 SPICE output, 7 COMTRADE, 8 recorder .dat; -1 unknown.
    int GetLoadVersion() const { return LoadVersion; }
    /// The error text of the last failure; empty when none.
    CString GetLastError() const { return LastError; }
    /// The error class of the last failure (TB_EXCHANGE_FILE_ERROR ... TB_EXCHANGE_CANCELLED); TB_EXCHANGE_NO_ERROR when none.
    int GetLastErrorNumber() const { return LastErrorNumber; }
    /// Every warning followed by "\r\n", in the order collected; empty when none.
    CString GetLastWarn() const;
    /// Empties the warnings and LastError; LastErrorNumber stays.
    void ResetWarnAndErrorMsg();
    /// Prepares the engine for the next file: counts 0, Typ 'A', Sep ';', names empty,
    /// channel objects destroyed, warnings emptied, text options and error class reset,
    /// the formats' private state (FormatStates) forgotten. LastError, Separator,
    /// Decimal, the free text lines, the format codes and the format-specific arrays
    /// keep their values.
    void ResetAllVars();
    /// Appends copies of the free text lines to out (null: nothing).
    void GetEditionalStringArray(CStringArray* out) const;
    /// Replaces the free text lines with a copy of in (null: nothing).
    void SetEditionalStringArray(CStringArray* in);

    // ------------------------------------------------------------ delimited text
    /// Writes all channels as delimited text; 1, 2 with warnings about missing
    /// channels, 0 on error. For FileKind 5 the engine's Separator and Decimal are used
    /// instead of the arguments; empty symbols become the user's locale symbols.
    int WriteCSVFile(CString fileName, CString separator, CString decimal);
    /// Scans delimited text: channel count, item count, names and units.
    int ReadInfoCSVFile(CString fileName, CString separator, CString decimal, int startLine, int mergeSeparators);
    /// Fills the storage attached to the channels after ReadInfoCSVFile.
    int ReadDataCSVFile();

    // ------------------------------------------------------------ entries of the other formats
    // Each is defined by its format's source.
    /// Reads the header of a characteristic file (an .mdx file, or an .mdk with its .mda): channels, names, units, counts. 1, 2 or 0 as ReadInfoFile.
    int ReadMdx_k(CString fileName);
    /// Reads the values of the characteristic file ReadMdx_k opened into the storage attached to the channels.
    int ReadMdx_a();
    /// Writes the channels as a characteristic file (.mdx, or .mdk and .mda) with separatorChar between values and typ 'A' (text), '4' or '8' (binary values).
    int WriteMdx_k_a(CString fileName, int separatorChar, int typ);

protected:
    // Characteristic files: the steps behind ReadMdx_k, ReadMdx_a and WriteMdx_k_a
    // (isMdx 1 for one .mdx file, 0 for an .mdk/.mda pair; valueSize 4 or 8).
    /// Reads the .mdk header (or the header part of an .mdx file).
    int ReadMdkFile(int isMdx);
    /// Reads text values ('A') of an .mda file (or the value part of an .mdx file).
    int ReadMdaFile_A(int isMdx);
    /// Reads binary values of valueSize (4 or 8) bytes.
    int ReadMdaFile_B(int isMdx, int valueSize);
    /// headerOnly 1: channels, names, units, x lengths and NrItems; 0: the values.
    int ReadMdxFileForNDimTable(int headerOnly);
    /// Writes the .mdk header.
    int WriteMdkFile();
    /// Writes the values as text ('A').
    int WriteMdaFile_A(int isMdx);
    /// Writes the values as binary numbers of valueSize (4 or 8) bytes.
    int WriteMdaFile_B(int isMdx, int valueSize);
    // COMTRADE records: the steps behind WriteComtradeFile and ReadDataComtradeFile,
    // for hosts that derive and write or read one part of a record.
    /// Writes the .hdr part of a COMTRADE record (the free text lines).
    int WriteComtradeHeaderFile(CString fileName);
    /// Writes the .cfg part: station, channels with units, scaling (fills Multipliers and Offsets), rates, start times and data file type (asciiData 1 ASCII, 0 binary); comtradeOption is the time channel's index.
    int WriteComtradeKonfigurationFile(CString fileName, int asciiData, int comtradeOption);
    /// Writes the .dat part as ASCII samples; comtradeOption is the time channel's index.
    int WriteDataComtradeAsciiFile(CString fileName, int comtradeOption);
    /// Writes the .dat part as binary samples; comtradeOption is the time channel's index.
    int WriteDataComtradeBinaryFile(CString fileName, int comtradeOption);
    /// Reads ASCII samples of the .dat part into the channels' storage.
    int ReadDataComtradeAsciiFile();
    /// Reads binary samples of the .dat part into the channels' storage.
    int ReadDataComtradeBinaryFile();

public:
    /// ReadInfoExcelFile for an Excel 97 to 2003 workbook (BIFF8).
    int ReadInfoExcel97File(CString fileName, CString tableName);
    /// Opens table tableName of an Access database (.mdb): fields become channels. 1, 2 or 0 with TB_EXCHANGE_DATABASE_ERROR.
    int ReadInfoAccessFile(CString fileName, CString tableName);
    /// Reads the rows of the table ReadInfoAccessFile opened into the channels' storage.
    int ReadDataAccessFile();
    /// Reads the rows of the database table or sheet named by FileName, TableName and ConnectTitle.
    int ReadDataDaoFile();
    /// Writes the channels as an Excel 3.0 worksheet (BIFF3); 1, 2 or 0 as WriteFile.
    int WriteExcel30File(CString fileName, CString tableName);
    /// Writes the channels as an Excel 4.0 worksheet (BIFF4).
    int WriteExcel40File(CString fileName, CString tableName);
    /// Writes the channels as an Excel 5.0/95 workbook (BIFF5).
    int WriteExcel50_95File(CString fileName, CString tableName);
    /// Writes the channels as an Excel 97 to 2003 workbook (BIFF8).
    int WriteExcel97File(CString fileName, CString tableName);
    /// Writes the channels as table tableName of an Access database (.mdb, Jet 4): one field per channel, one row per item.
    int WriteAccessFile(CString fileName, CString tableName);
    // Excel workbooks and the table layer shared with Access (exchange/dao_exchange.cpp).
    /// Writes the channels as a workbook of the version ConnectTitle names (BIFF8 with a warning when it names none); sheet tableName ("Data" when empty). A title longer than the format allows is shortened (warning, result 2).
    int WriteExcelFile(CString fileName, CString tableName);
    /// Writes the channels into the database FileName, TableName and ConnectTitle name; the file appears only when the whole write succeeded.
    int WriteDaoFile();
    /// ReadInfoExcelFile for an Excel 3.0 worksheet (BIFF3).
    int ReadInfoExcel30File(CString fileName, CString tableName);
    /// ReadInfoExcelFile for an Excel 4.0 worksheet (BIFF4).
    int ReadInfoExcel40File(CString fileName, CString tableName);
    /// ReadInfoExcelFile for an Excel 5.0/95 workbook (BIFF5).
    int ReadInfoExcel50_95File(CString fileName, CString tableName);
    /// Opens sheet tableName of a workbook: the first row gives the channel names, the columns the channels. Asks for a file when fileName and FileName are empty. 1, 2 or 0 with TB_EXCHANGE_DATABASE_ERROR.
    int ReadInfoExcelFile(CString fileName, CString tableName);
    /// Opens the database table or sheet named by FileName, TableName and ConnectTitle and learns its fields.
    int ReadInfoDaoDataFile();
    /// ReadDataExcelFile for an Excel 3.0 worksheet.
    int ReadDataExcel30File();
    /// ReadDataExcelFile for an Excel 4.0 worksheet.
    int ReadDataExcel40File();
    /// ReadDataExcelFile for an Excel 5.0/95 workbook.
    int ReadDataExcel50_95File();
    /// ReadDataExcelFile for an Excel 97 to 2003 workbook.
    int ReadDataExcel97File();
    /// Reads the rows of the sheet ReadInfoExcelFile opened into the channels' storage (the sheet named like the file when TableName is empty).
    int ReadDataExcelFile();
    /// Scans a SPICE output listing (.out): the printed analyses' columns become channels. 1, 2 or 0.
    int ReadInfoOUTFile(CString fileName);
    /// Reads the values of the listing ReadInfoOUTFile scanned into the channels' storage.
    int ReadDataOUTFile();
    /// Writing SPICE listings is not supported: returns 0 and records no error.
    int WriteOUTFile(CString fileName);
    /// Reads a COMTRADE configuration (.cfg, or the configuration part of a .cff): analog and status channels, units with their prefixes, scaling and sample rates. 1, 2 or 0.
    int ReadInfoComtradeFile(CString fileName);
    /// Reads the samples of the record ReadInfoComtradeFile opened (ASCII or binary .dat) into the channels' storage, each value scaled by its channel's multiplier, offset and unit prefix.
    int ReadDataComtradeFile();
    /// Writes the channels as a COMTRADE record: .cfg, .dat (asciiData 1 ASCII, 0 binary) and .hdr (when there are free text lines); comtradeOption is the index of the channel that carries the time in seconds, every other channel is written as an analog channel.
    int WriteComtradeFile(CString fileName, int asciiData, int comtradeOption);
    /// Reads the header of one recorder file (.dat): channel names, units and sample spacing. 1, 2 or 0.
    int ReadInfoRockwellFile(CString fileName);
    /// Reads the samples of the recorder file ReadInfoRockwellFile opened.
    int ReadDataRockwellFile();
    /// Asks the user for several recorder files (withDialog) and reads their headers onto one common time base.
    int ReadInfoRockwellFilesWithDialog(CString fileName);
    /// Reads the samples of the recorder files chosen with ReadInfoRockwellFilesWithDialog, resampled onto the common time base.
    int ReadDataRockwellFilesWithDialog();
    /// Resamples one recorder file's samples (spacing s) onto the common time base
    /// (RecorderSpacing, NrItems) into channel's storage; 0 when an argument is null.
    int InterpolateRockwellData(CExImPortChannel* channel, CArray<double, double>* samples, double spacing);

    // ------------------------------------------------------------ helpers for format sources
    /// Records an error: LastError = text and, when errorNumber is not 0, LastErrorNumber.
    void SetError(const CString& text, int errorNumber);
    /// Appends a warning text.
    void AddWarning(const CString& text) { Warnings.Add(text); }
    /// Destroys the channel object in slot index (when any) and stores channel there,
    /// growing the table; no NrChannels check. The engine owns channel afterwards.
    void ReplaceChannelSlot(int index, CExImPortChannel* channel);
    /// Destroys every channel object and empties the table.
    void DeleteAllChannels();

    // ------------------------------------------------------------ shared state
    // The working state of the readers and writers. Hosts use the accessors above;
    // format sources read and write these fields directly.
    int NrChannels = 0;              ///< number of channel slots
    int NrItems = 0;                 ///< values (rows) per channel
    CUIntArray XVecLengths;          ///< x-vector lengths of an N-dimensional table
    CString FileName;                ///< file of the last ReadInfoFile or WriteFile
    CExImPortChannelTable Channels;  ///< the channel objects, owned by the engine
    CStringArray Warnings;           ///< collected warning texts
    CString LastError;  ///< The error text of the last failure (GetLastError).
    int LastErrorNumber = TB_EXCHANGE_NO_ERROR;  ///< The error class of the last failure (GetLastErrorNumber).
    int FileKind = -1;              ///< TB_KIND_*: dispatch key of ReadDataFile
    CString Separator;              ///< column separator characters of delimited text
    CString Decimal;                ///< decimal symbol of delimited text
    int TextStartLine = 1;          ///< first line to import (1-based), may hold titles
    int TextMergeSeparators = 0;    ///< 1: a run of separators counts as one
    int WithDialog = 0;             ///< 1: readers may show dialogs
    CStringArray EditionalStrings;  ///< free text lines carried with a file
    int SaveVersion = -1;           ///< format code (write filter position)
    int LoadVersion = -1;           ///< family code
    int DatFileKind = 2;            ///< how a .dat file is read
    CString TableName;              ///< table or sheet of a database file
    CString ConnectTitle;           ///< connect string of the last database file
    int Typ = 'A';                  ///< characteristic value encoding: 'A', '4' or '8'
    int Sep = ';';                  ///< characteristic separator character
    // COMTRADE configuration values.
    CArray<double, double> PrefixFactors;  ///< Unit prefix factor of each analog channel (k 1e3, m 1e-3...).
    CArray<double, double> Multipliers;  ///< Multiplier a of each analog channel (value = a * sample + b).
    CArray<double, double> Offsets;  ///< Offset b of each analog channel.
    CArray<double, double> PrimaryRatios;  ///< Primary transformer ratio of each analog channel.
    CArray<double, double> SecondaryRatios;  ///< Secondary transformer ratio of each analog channel.
    CArray<int, int> PsFlags;  ///< Per analog channel: 0 samples are primary values ('P'), 1 secondary ('S'), -1 unknown.
    CArray<int, int> DigitalNormalStates;  ///< Normal state (0 or 1) of each status channel.
    CArray<double, double> SampleRates;  ///< Sample rate of each rate section, in Hz.
    CArray<int, int> EndSamples;  ///< Last sample number of each rate section.
    int AsciiData = 1;  ///< 1: the .dat part is ASCII, 0: binary.
    double TimeMultiplier = 1.0;  ///< Multiplier of the time stamps (timemult).
    int AnalogCount = 0;  ///< Number of analog channels of the record.
    int ConfigChannelCount = 0;  ///< Number of channels the configuration lists.
    CArray<int, int> DerivedSources;  ///< For each derived channel (after the configured ones): the analog channel it is computed from through the transformer ratio.
    // Recorder .dat files.
    double RecorderSpacing = 0.0;  ///< common sample spacing in seconds
    CStringArray RecorderFiles;    ///< files chosen in the recorder file dialog
    /// What a single format keeps between the steps of a read; ResetAllVars forgets it.
    CExchangeFormatStates FormatStates;
};

/// Shows the common file dialog through the dialog hub (Open when forReading is 1,
/// else Save As) with filter and defaultExtension; the chosen path or empty text.
TB_EXPORT CString AskExchangeFileName(CString defaultExtension, CString filter, int forReading);

/// value unchanged when finite; NaN gives the largest single-precision value with the
/// NaN's sign; either infinity gives the positive largest single-precision value.
TB_EXPORT double LimitExportValue(double value);
