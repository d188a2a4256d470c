// CReadAndWriteFiles: the host's handle on a file exchange engine. Every member
// forwards unchanged to the engine it owns; the filter lists need no engine and are
// static. A copy gets an engine of its own with a copy of the whole state (channel
// objects are copied, the host's value storage is shared).
#pragma once

#include <toolbox/exchange/engine.h>

class TB_EXPORT CReadAndWriteFiles {
public:
    CReadAndWriteFiles();
    CReadAndWriteFiles(const CReadAndWriteFiles& other);
    CReadAndWriteFiles& operator=(const CReadAndWriteFiles& other);
    virtual ~CReadAndWriteFiles();

    CExImPortChannel* GetChannel(int index) const { return m_engine->GetChannel(index); }
    void SetChannel(int index, CExImPortChannel* channel) { m_engine->SetChannel(index, channel); }
    int InsertChannel(int index, CArray<double, double>* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    int InsertChannel(int index, double* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    int InsertChannel(int index, CStringArray* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    int InsertChannel(int index, CArray<COleVariant, COleVariant>* values, CString name, CString unit) {
        return m_engine->InsertChannel(index, values, name, unit);
    }
    int AddEmptyChannel() { return m_engine->AddEmptyChannel(); }
    int GetNrChannels() const { return m_engine->GetNrChannels(); }
    void SetNrChannels(int count) { m_engine->SetNrChannels(count); }
    int GetNrItems() const { return m_engine->GetNrItems(); }
    void SetNrItems(int count) { m_engine->SetNrItems(count); }
    CUIntArray* GetXVecLengths() { return m_engine->GetXVecLengths(); }
    int GetTyp() const { return m_engine->GetTyp(); }
    int GetSep() const { return m_engine->GetSep(); }
    CString GetFileName() const { return m_engine->GetFileName(); }
    CString GetLastError() const { return m_engine->GetLastError(); }
    int GetLastErrorNumber() const { return m_engine->GetLastErrorNumber(); }
    CString GetLastWarn() const { return m_engine->GetLastWarn(); }
    void ResetWarnAndErrorMsg() { m_engine->ResetWarnAndErrorMsg(); }
    void ResetAllVars() { m_engine->ResetAllVars(); }
    int ReadInfoFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                     int withDialog, int reserved, int datFileKind) {
        return m_engine->ReadInfoFile(fileName, tableName, formatCode, separator, decimal, withDialog, reserved,
                                      datFileKind);
    }
    int ReadDataFile() { return m_engine->ReadDataFile(); }
    int WriteFile(CString fileName, CString tableName, int formatCode, const char* separator, const char* decimal,
                  int withDialog, int comtradeOption) {
        return m_engine->WriteFile(fileName, tableName, formatCode, separator, decimal, withDialog, comtradeOption);
    }
    void GetEditionalStringArray(CStringArray* out) const { m_engine->GetEditionalStringArray(out); }
    void SetEditionalStringArray(CStringArray* in) { m_engine->SetEditionalStringArray(in); }
    int GetSaveVersion() const { return m_engine->GetSaveVersion(); }
    int GetLoadVersion() const { return m_engine->GetLoadVersion(); }
    CString GetTableName() const { return m_engine->GetTableName(); }
    CString GetSeperator() const { return m_engine->GetSeperator(); }
    CString GetDecimal() const { return m_engine->GetDecimal(); }
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
