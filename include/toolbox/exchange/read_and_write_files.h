/// \file
/// \brief CReadAndWriteFiles: the host's handle on a file exchange engine.
// CReadAndWriteFiles: the host's handle on a file exchange engine. Every member
// forwards unchanged to the engine it owns; the filter lists need no engine and are
// static. A copy gets an engine of its own with a copy of the whole state (channel
// objects are copied, the host's value storage is shared).
#pragma once

#include <toolbox/exchange/engine.h>

/// The host's handle on a file exchange engine: read and write channel tables in every supported file format. Results: 1 success, 2 success with warnings (GetLastWarn), 0 failure (GetLastError, GetLastErrorNumber). The channel objects are the engine's; the value storage stays the host's.
class TB_EXPORT CReadAndWriteFiles {
public:
    CReadAndWriteFiles();
    /// A handle with its own engine holding a copy of other's state (channel objects copied, value storage shared).
    CReadAndWriteFiles(const CReadAndWriteFiles& other);
    /// Replaces the state with a copy of other's (channel objects copied, value storage shared).
    CReadAndWriteFiles& operator=(const CReadAndWriteFiles& other);
    virtual ~CReadAndWriteFiles();

    /// The channel in slot index; null when index is negative, not below GetNrChannels or the slot is empty.
    CExImPortChannel* GetChannel(int index) const { return m_engine->GetChannel(index); }
    /// Stores channel (the engine takes ownership) in slot index when index is below GetNrChannels; otherwise nothing happens and the caller keeps it.
    void SetChannel(int index, CExImPortChannel* channel) { m_engine->SetChannel(index, channel); }
    /// Puts a channel over the host's double array into slot index (below GetNrChannels): 1, otherwise warning and 2. Empties earlier warnings and the error text.
    int InsertChannel(int index, CArray<double, double>* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    /// Puts a channel over a raw block of GetNrItems doubles into slot index: 1, otherwise warning and 2.
    int InsertChannel(int index, double* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    /// Puts a channel over the host's string array into slot index: 1, otherwise warning and 2.
    int InsertChannel(int index, CStringArray* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    /// Puts a channel over the host's variant array into slot index: 1, otherwise warning and 2.
    int InsertChannel(int index, CArray<COleVariant, COleVariant>* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    /// Appends a channel without name, unit or storage while there are fewer than GetNrChannels: 1, otherwise warning and 2.
    int AddEmptyChannel() { return m_engine->AddEmptyChannel(); }
    /// Number of channel slots (set, or learnt by the last ReadInfoFile).
    int GetNrChannels() const { return m_engine->GetNrChannels(); }
    /// Sets the number of channel slots a write takes (the table is not resized).
    void SetNrChannels(int count) { m_engine->SetNrChannels(count); }
    /// Values per channel (set, or learnt by the last ReadInfoFile).
    int GetNrItems() const { return m_engine->GetNrItems(); }
    /// Sets the number of values per channel a write takes from each channel's storage.
    void SetNrItems(int count) { m_engine->SetNrItems(count); }
    /// The x-vector lengths of an N-dimensional characteristic table; owned by the engine.
    CUIntArray* GetXVecLengths() { return m_engine->GetXVecLengths(); }
    /// Value encoding of the last characteristic file: 'A' text, '4' or '8' binary.
    int GetTyp() const { return m_engine->GetTyp(); }
    /// Separator character of the last characteristic file.
    int GetSep() const { return m_engine->GetSep(); }
    /// The file of the last ReadInfoFile or WriteFile.
    CString GetFileName() const { return m_engine->GetFileName(); }
    /// The error text of the last failure; empty when none.
    CString GetLastError() const { return m_engine->GetLastError(); }
    /// The error class of the last failure: 3 file, 4 memory or channel data, 5 characteristic header, 6 database, 7 cancelled; -1 none.
    int GetLastErrorNumber() const { return m_engine->GetLastErrorNumber(); }
    /// Every warning followed by "\r
    /// ", in the order collected; empty when none.
    CString GetLastWarn() const { return m_engine->GetLastWarn(); }
    /// Empties the warnings and the error text; the error class stays.
    void ResetWarnAndErrorMsg() { m_engine->ResetWarnAndErrorMsg(); }
    /// Prepares the engine for the next file: counts 0, names empty, channel objects destroyed, warnings emptied.
    void ResetAllVars() { m_engine->ResetAllVars(); }
    /// First step of a read: the extension of fileName picks the reader; learns channel names, units and counts. separator and decimal (null: none) serve delimited text; withDialog 1 lets readers ask the user; datFileKind says how a .dat file is read. 1, 2 or 0.
    int ReadInfoFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                     int withDialog, int reserved, int datFileKind) {
        return m_engine->ReadInfoFile(fileName, tableName, formatCode, separator, decimal, withDialog, reserved,
                                      datFileKind);
    }
    /// Second step of a read: fills the storage the host attached to the channels. 1, 2 or 0.
    int ReadDataFile() { return m_engine->ReadDataFile(); }
    /// Writes all channels; the extension of fileName picks the writer (formatCode, a write filter position 0 to 14, when it has none). Workbooks and databases appear only when the whole write succeeded; the other writers check the channels first, then write in place. 1, 2 or 0.
    int WriteFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                  int withDialog, int comtradeOption) {
        return m_engine->WriteFile(fileName, tableName, formatCode, separator, decimal, withDialog, comtradeOption);
    }
    /// Appends copies of the free text lines carried with a file to out (null: nothing).
    void GetEditionalStringArray(CStringArray* out) const { m_engine->GetEditionalStringArray(out); }
    /// Replaces the free text lines written with a file by a copy of in (null: nothing).
    void SetEditionalStringArray(CStringArray* in) { m_engine->SetEditionalStringArray(in); }
    /// Format code (write filter position) of the last file; -1 for none.
    int GetSaveVersion() const { return m_engine->GetSaveVersion(); }
    /// Family code of the last file: 0 .mdx, 1 .mda/.mdk, 2 Access, 3 Excel, 4 text, 5 CSV, 6 SPICE output, 7 COMTRADE, 8 recorder .dat; -1 unknown.
    int GetLoadVersion() const { return m_engine->GetLoadVersion(); }
    /// The table or sheet of the last database file.
    CString GetTableName() const { return m_engine->GetTableName(); }
    /// The column separator of the last delimited text file.
    CString GetSeperator() const { return m_engine->GetSeperator(); }
    /// The decimal symbol of the last delimited text file.
    CString GetDecimal() const { return m_engine->GetDecimal(); }
    /// The connect string of the last database file ("Excel 5.0;"...), which says its version.
    CString GetConnectTitle() const { return m_engine->GetConnectTitle(); }

    /// Appends the read filters: ids 120, 121, 101, 100, 102, 104, 105, 119, 122.
    static void GetFormatFilterRead(CStringArray* filters);
    /// The read filters concatenated.
    static CString GetFormatFilterRead();
    /// Appends the 15 write filters in format-code order.
    static void GetFormatFilterWrite(CStringArray* filters);
    /// The write filters concatenated.
    static CString GetFormatFilterWrite();

    /// The engine behind this facade (for format-specific state).
    CReadAndWriteFileFunction* GetEngine() { return m_engine; }

protected:
    /// For facades over a derived engine: this facade forwards to engine. The derived
    /// facade owns the engine and deletes it as its own type: it calls ReleaseEngine
    /// in its destructor.
    explicit CReadAndWriteFiles(CReadAndWriteFileFunction* engine) : m_engine(engine) {}
    /// Hands the engine back to the derived facade; this facade forwards to nothing after.
    CReadAndWriteFileFunction* ReleaseEngine() {
        CReadAndWriteFileFunction* engine = m_engine;
        m_engine = nullptr;
        return engine;
    }

private:
    CReadAndWriteFileFunction* m_engine;
};
