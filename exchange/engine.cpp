// The exchange engine: channel table, state, read/data/write dispatch, filter lists.
// The readers and writers themselves live in one source per format.
#include <toolbox/exchange/engine.h>

#include "exchange/format_state.h"
#include "exchange/format_table.h"
#include <toolbox/os/dialog_hub.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cfloat>
#include <cmath>
#include <new>

// ---------------------------------------------------------------- formats' private state

CExchangeFormatStates::CExchangeFormatStates() = default;
CExchangeFormatStates::CExchangeFormatStates(const CExchangeFormatStates& other)
    : m_store(other.m_store ? std::make_unique<Store>(*other.m_store) : nullptr) {}
CExchangeFormatStates& CExchangeFormatStates::operator=(const CExchangeFormatStates& other) {
    if (this != &other) m_store = other.m_store ? std::make_unique<Store>(*other.m_store) : nullptr;
    return *this;
}
CExchangeFormatStates::~CExchangeFormatStates() = default;
void CExchangeFormatStates::Clear() { m_store.reset(); }
CExchangeFormatStates::Store& CExchangeFormatStates::GetStore() {
    if (!m_store) m_store = std::make_unique<Store>();
    return *m_store;
}

// ---------------------------------------------------------------- channel slots

void CReadAndWriteFileFunction::DeleteAllChannels() { Channels.RemoveAll(); }

void CReadAndWriteFileFunction::ReplaceChannelSlot(int index, CExImPortChannel* channel) {
    if (index < 0) return;
    if (index < Channels.GetSize() && Channels[index] == channel) return;
    Channels.Put(index, std::unique_ptr<CExImPortChannel>(channel));
}

// ---------------------------------------------------------------- channel table

int CReadAndWriteFileFunction::InsertChannel(int index, CArray<double, double>* values, CString name, CString unit) {
    ResetWarnAndErrorMsg();
    if (index < 0 || index >= NrChannels) {
        Warnings.Add(TBFormatMessage(TBMsg::MoreChannelsThanDim, {FileName}));
        return 2;
    }
    auto channel = std::make_unique<CExImPortChannel>();
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    if (values) channel->SetDoubleArray(values);
    Channels.Put(index, std::move(channel));
    return 1;
}

namespace {
template <class Storage, class Attach>
int InsertWithStorage(CReadAndWriteFileFunction& engine, int index, Storage* values, const CString& name,
                      const CString& unit, Attach attach) {
    if (index < 0 || index >= engine.NrChannels) {
        engine.Warnings.Add(TBFormatMessage(TBMsg::MoreChannelsThanDim, {engine.FileName}));
        return 2;
    }
    auto channel = std::make_unique<CExImPortChannel>();
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    if (values) attach(*channel, values);
    engine.Channels.Put(index, std::move(channel));
    return 1;
}
}  // namespace

int CReadAndWriteFileFunction::InsertChannel(int index, double* values, CString name, CString unit) {
    return InsertWithStorage(*this, index, values, name, unit,
                             [](CExImPortChannel& c, double* v) { c.SetDoublePtr(v); });
}

int CReadAndWriteFileFunction::InsertChannel(int index, CStringArray* values, CString name, CString unit) {
    return InsertWithStorage(*this, index, values, name, unit,
                             [](CExImPortChannel& c, CStringArray* v) { c.SetStringArray(v); });
}

int CReadAndWriteFileFunction::InsertChannel(int index, CArray<COleVariant, COleVariant>* values, CString name,
                                             CString unit) {
    return InsertWithStorage(*this, index, values, name, unit,
                             [](CExImPortChannel& c, CArray<COleVariant, COleVariant>* v) { c.SetVariantArray(v); });
}

int CReadAndWriteFileFunction::AddEmptyChannel() {
    if (Channels.GetSize() < NrChannels) {
        Channels.Add(std::make_unique<CExImPortChannel>());
        return 1;
    }
    Warnings.Add(TBFormatMessage(TBMsg::MoreChannelsThanDim, {FileName}));
    return 2;
}

CExImPortChannel* CReadAndWriteFileFunction::GetChannel(int index) const {
    if (index < 0 || index >= NrChannels || index >= Channels.GetSize()) return nullptr;
    return Channels[index];
}

void CReadAndWriteFileFunction::SetChannel(int index, CExImPortChannel* channel) {
    if (index < 0 || index >= NrChannels) return;
    ReplaceChannelSlot(index, channel);
}

// ---------------------------------------------------------------- messages and state

CString CReadAndWriteFileFunction::GetLastWarn() const {
    CString all;
    for (int i = 0; i < Warnings.GetSize(); ++i) {
        all += Warnings[i];
        all += "\r\n";
    }
    return all;
}

void CReadAndWriteFileFunction::ResetWarnAndErrorMsg() {
    Warnings.RemoveAll();
    LastError.Empty();
}

void CReadAndWriteFileFunction::SetError(const CString& text, int errorNumber) {
    LastError = text;
    if (errorNumber != 0) LastErrorNumber = errorNumber;
}

void CReadAndWriteFileFunction::ResetAllVars() {
    NrChannels = 0;
    NrItems = 0;
    Typ = 'A';
    Sep = ';';
    FileName.Empty();
    TableName.Empty();
    ConnectTitle.Empty();
    DeleteAllChannels();
    Warnings.RemoveAll();
    TextStartLine = 1;
    TextMergeSeparators = 0;
    WithDialog = 0;
    LastErrorNumber = TB_EXCHANGE_NO_ERROR;
    AsciiData = 1;
    TimeMultiplier = 1.0;
    FormatStates.Clear();
    AnalogCount = 0;
    ConfigChannelCount = 0;
}

void CReadAndWriteFileFunction::GetEditionalStringArray(CStringArray* out) const {
    if (!out) return;
    for (int i = 0; i < EditionalStrings.GetSize(); ++i) out->Add(EditionalStrings[i]);
}

void CReadAndWriteFileFunction::SetEditionalStringArray(CStringArray* in) {
    if (in) EditionalStrings.Copy(*in);
}

void CReadAndWriteFileFunction::GetFormatFilterRead(CStringArray* filters) const {
    if (!filters) return;
    for (UINT id : tb_exchange::kReadFilterIds) filters->Add(TBLoadString(id));
}

void CReadAndWriteFileFunction::GetFormatFilterWrite(CStringArray* filters) const {
    if (!filters) return;
    for (const tb_exchange::ExchangeFormat& format : tb_exchange::ExchangeFormats())
        if (format.writeFilterId != 0) filters->Add(TBLoadString(format.writeFilterId));
}

// ---------------------------------------------------------------- dispatch

namespace {

using tb_exchange::ExchangeFormat;

// Runs one step of a format; no exception of a format may leave the library.
template <class Step>
int Guarded(CReadAndWriteFileFunction& engine, Step step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        engine.SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    } catch (...) {
        engine.SetError(TBFormatMessage(TBMsg::WriteException, {engine.FileName}), TB_EXCHANGE_FILE_ERROR);
    }
    return 0;
}

// A .dat file is one recorder file unless dialogs are allowed and the host chose
// otherwise (DatFileKind 0 not at all, 1 delimited text with the locale's symbols,
// other values several recorder files). Null: the file is not read.
const ExchangeFormat* ChooseDatReader(const CReadAndWriteFileFunction& engine, tb_exchange::ReadRequest& request) {
    if (engine.WithDialog != 1 || engine.DatFileKind == 2) return tb_exchange::FindFormatOfKind(TB_KIND_RECORDER);
    if (engine.DatFileKind == 0) return nullptr;
    if (engine.DatFileKind == 1) {
        request.separator.Empty();
        request.decimal.Empty();
        return tb_exchange::FindFormatOfKind(TB_KIND_TEXT);
    }
    return tb_exchange::FindFormatOfKind(TB_KIND_RECORDER_FILES);
}

// The reader of a file name: by extension, delimited text for any other name.
const ExchangeFormat* ChooseReader(const CReadAndWriteFileFunction& engine, const CString& ext,
                                   tb_exchange::ReadRequest& request) {
    if (ext == ".dat") return ChooseDatReader(engine, request);
    if (const ExchangeFormat* format = tb_exchange::FindReadFormat(ext)) return format;
    return tb_exchange::FindFormatOfKind(TB_KIND_TEXT);
}

// Runs the info reader of format; a file the reader finds not to be of its format is
// read as delimited text with the user's symbols.
int RunReadInfo(CReadAndWriteFileFunction& engine, const ExchangeFormat& format,
                const tb_exchange::ReadRequest& request) {
    engine.FileKind = format.fileKind;
    tb_exchange::ReadOutcome outcome;
    const int result = format.readInfo(engine, request, outcome);
    if (outcome.readAsText.IsEmpty()) return result;
    const ExchangeFormat* text = tb_exchange::FindFormatOfKind(TB_KIND_TEXT);
    engine.FileKind = text->fileKind;
    tb_exchange::ReadOutcome ignored;
    return text->readInfo(engine, {outcome.readAsText, request.tableName, CString(), CString()}, ignored);
}

void RecordCodes(CReadAndWriteFileFunction& engine, const ExchangeFormat& format) {
    engine.SaveVersion = format.recordsCode ? format.formatCode : -1;
    engine.LoadVersion = format.familyCode;
    engine.FileKind = format.fileKind;
}

// A name whose extension names a format: the format code picks among the formats of
// the same kind of file (a workbook version, a characteristic encoding), else the
// extension's own format is written. FileName stays what the writer made of it.
int WriteByExtension(CReadAndWriteFileFunction& engine, const ExchangeFormat& named, int formatCode,
                     tb_exchange::WriteRequest& request) {
    const ExchangeFormat* format = &named;
    if (named.sameFileCodes.Holds(formatCode)) format = tb_exchange::FindFormatOfCode(formatCode);
    request.byExtension = true;
    request.codeChoseEntry = format->formatCode == formatCode;
    RecordCodes(engine, *format);
    return format->write(engine, request);
}

// A name without a known extension: the format code picks the format and its
// extension is appended to the name written, while FileName keeps the name as given.
// Without a known format code the name is written as given, as delimited text.
int WriteByFormatCode(CReadAndWriteFileFunction& engine, const CString& fileName, const CString& baseName,
                      int formatCode, tb_exchange::WriteRequest& request) {
    const ExchangeFormat* format = tb_exchange::FindFormatOfCode(formatCode);
    int result = 0;
    if (format) {
        RecordCodes(engine, *format);
        request.name = baseName + format->writeSuffix;
        request.codeChoseEntry = true;
        result = format->write(engine, request);
    } else {
        engine.LoadVersion = -1;
        engine.FileKind = TB_KIND_TEXT;
        result = engine.WriteCSVFile(fileName, request.separator ? request.separator : "",
                                     request.decimal ? request.decimal : "");
    }
    engine.SaveVersion = formatCode;
    engine.FileName = fileName;
    return result;
}

}  // namespace

int CReadAndWriteFileFunction::ReadInfoFile(CString fileName, CString tableName, int formatCode, const char* separator,
                                            const char* decimal, int withDialog, int reserved, int datFileKind) {
    (void)formatCode;
    (void)reserved;
    return Guarded(*this, [&] {
        FormatStates.Clear();  // what a format kept (an open database) belongs to the read before
        FileName = fileName;
        WithDialog = withDialog;
        DatFileKind = datFileKind;
        tb_exchange::ReadRequest request{fileName, tableName, separator ? separator : "", decimal ? decimal : ""};
        const ExchangeFormat* format = ChooseReader(*this, tb_exchange::LowerExtension(fileName), request);
        return format ? RunReadInfo(*this, *format, request) : 0;
    });
}

int CReadAndWriteFileFunction::ReadDataFile() {
    return Guarded(*this, [&] {
        if (const ExchangeFormat* format = tb_exchange::FindFormatOfKind(FileKind)) return format->readData(*this);
        SetError(TBFormatMessage(TBMsg::UnknownFileFormat, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    });
}

int CReadAndWriteFileFunction::WriteFile(CString fileName, CString tableName, int formatCode, const char* separator,
                                         const char* decimal, int withDialog, int comtradeOption) {
    return Guarded(*this, [&] {
        FileName = fileName;
        WithDialog = withDialog;
        tb_exchange::WriteRequest request;
        request.name = fileName;
        request.tableName = tableName;
        request.separator = separator;
        request.decimal = decimal;
        request.comtradeOption = comtradeOption;
        const CString ext = tb_exchange::LowerExtension(fileName);
        if (const ExchangeFormat* format = tb_exchange::FindWriteFormat(ext))
            return WriteByExtension(*this, *format, formatCode, request);
        // An extension the engine does not write gives way to the one of the format code.
        const CString baseName = fileName.Left(fileName.GetLength() - ext.GetLength());
        return WriteByFormatCode(*this, fileName, baseName, formatCode, request);
    });
}

// ---------------------------------------------------------------- dispatch for the format sources

namespace tb_exchange {

CString LowerExtension(const CString& fileName) {
    // A dot in a directory name is not an extension.
    const int slash = fileName.ReverseFind('/');
    const int dot = fileName.ReverseFind('.');
    if (dot < 0 || dot < slash) return CString();
    CString ext = fileName.Mid(dot);
    ext.MakeLower();
    return ext;
}

int ReadInfoAs(CReadAndWriteFileFunction& engine, int fileKind, const ReadRequest& request) {
    const ExchangeFormat* format = FindFormatOfKind(fileKind);
    return format && format->readInfo ? RunReadInfo(engine, *format, request) : 0;
}

void RecordFormat(CReadAndWriteFileFunction& engine, int fileKind, int variant) {
    for (const ExchangeFormat& format : ExchangeFormats()) {
        if (format.fileKind == fileKind && format.variant == variant) {
            engine.SaveVersion = format.recordsCode ? format.formatCode : -1;
            engine.LoadVersion = format.familyCode;
            return;
        }
    }
    engine.SaveVersion = -1;
    engine.LoadVersion = -1;
}

void RecordFamily(CReadAndWriteFileFunction& engine, int fileKind) {
    if (const ExchangeFormat* format = FindFormatOfKind(fileKind)) engine.LoadVersion = format->familyCode;
}

}  // namespace tb_exchange

// ---------------------------------------------------------------- shared helpers

CString AskExchangeFileName(CString defaultExtension, CString filter, int forReading) {
    CFileDialogRequest request;
    request.forReading = forReading == 1;
    request.defaultExtension = defaultExtension;
    request.filter = filter;
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_LONGNAMES;
    return TBGetDialogHub().AskFileName(request);
}

double LimitExportValue(double value) {
    const double largest = static_cast<double>(FLT_MAX);
    if (std::isnan(value)) return std::signbit(value) ? -largest : largest;
    if (std::isinf(value)) return largest;
    return value;
}
