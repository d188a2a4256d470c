// The exchange engine: channel table, state, read/data/write dispatch, filter lists.
// The readers and writers themselves live in one source per format.
#include <toolbox/exchange/engine.h>

#include <toolbox/exchange/exchange_dialogs.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cfloat>
#include <cmath>
#include <new>

namespace {

const UINT kReadFilterIds[] = {
    TBMsg::FilterCharacteristic, TBMsg::FilterAccess,   TBMsg::FilterExcel,  TBMsg::FilterText, TBMsg::FilterCsv,
    TBMsg::FilterSpiceOut,       TBMsg::FilterComtrade, TBMsg::FilterTekDat,
};
// Write filter list in format-code order 0 to 14 (the comments give the code).
const UINT kWriteFilterIds[] = {
    TBMsg::FilterMdxAscii,        // 0
    TBMsg::FilterMdxBin4,         // 1
    TBMsg::FilterMdxBin8,         // 2
    TBMsg::FilterMdaAscii,        // 3
    TBMsg::FilterMdaBin4,         // 4
    TBMsg::FilterMdaBin8,         // 5
    TBMsg::FilterExcel3,          // 6
    TBMsg::FilterExcel4,          // 7
    TBMsg::FilterExcel5,          // 8
    TBMsg::FilterExcel8,          // 9
    TBMsg::FilterAccess,          // 10
    TBMsg::FilterText,            // 11
    TBMsg::FilterCsv,             // 12
    TBMsg::FilterComtradeAscii,   // 13
    TBMsg::FilterComtradeBinary,  // 14
};

// Extension of the last path component, from its last dot, lower-cased (ASCII);
// empty when the name has none. A dot in a directory name is not an extension.
CString LowerExtension(const CString& fileName) {
    int slash = fileName.ReverseFind('/');
    int dot = fileName.ReverseFind('.');
    if (dot < 0 || dot < slash) return CString();
    CString ext = fileName.Mid(dot);
    ext.MakeLower();
    return ext;
}

}  // namespace

// ---------------------------------------------------------------- life cycle

CReadAndWriteFileFunction::CReadAndWriteFileFunction() = default;

CReadAndWriteFileFunction::CReadAndWriteFileFunction(const CReadAndWriteFileFunction& other) { CopyStateFrom(other); }

CReadAndWriteFileFunction& CReadAndWriteFileFunction::operator=(const CReadAndWriteFileFunction& other) {
    if (this != &other) CopyStateFrom(other);
    return *this;
}

CReadAndWriteFileFunction::~CReadAndWriteFileFunction() { DeleteAllChannels(); }

void CReadAndWriteFileFunction::CopyStateFrom(const CReadAndWriteFileFunction& o) {
    DeleteAllChannels();
    for (int i = 0; i < o.Channels.GetSize(); ++i) {
        const auto* channel = static_cast<const CExImPortChannel*>(o.Channels[i]);
        Channels.Add(channel ? new CExImPortChannel(*channel) : nullptr);
    }
    NrChannels = o.NrChannels;
    NrItems = o.NrItems;
    XVecLengths.Copy(o.XVecLengths);
    FileName = o.FileName;
    Warnings.Copy(o.Warnings);
    LastError = o.LastError;
    LastErrorNumber = o.LastErrorNumber;
    FileKind = o.FileKind;
    Separator = o.Separator;
    Decimal = o.Decimal;
    TextStartLine = o.TextStartLine;
    TextMergeSeparators = o.TextMergeSeparators;
    WithDialog = o.WithDialog;
    EditionalStrings.Copy(o.EditionalStrings);
    SaveVersion = o.SaveVersion;
    LoadVersion = o.LoadVersion;
    DatFileKind = o.DatFileKind;
    TableName = o.TableName;
    ConnectTitle = o.ConnectTitle;
    Typ = o.Typ;
    Sep = o.Sep;
    PrefixFactors.Copy(o.PrefixFactors);
    Multipliers.Copy(o.Multipliers);
    Offsets.Copy(o.Offsets);
    PrimaryRatios.Copy(o.PrimaryRatios);
    SecondaryRatios.Copy(o.SecondaryRatios);
    PsFlags.Copy(o.PsFlags);
    DigitalNormalStates.Copy(o.DigitalNormalStates);
    SampleRates.Copy(o.SampleRates);
    EndSamples.Copy(o.EndSamples);
    AsciiData = o.AsciiData;
    TimeMultiplier = o.TimeMultiplier;
    AnalogCount = o.AnalogCount;
    ConfigChannelCount = o.ConfigChannelCount;
    DerivedSources.Copy(o.DerivedSources);
    ComtradeSampleType = o.ComtradeSampleType;
    ComtradeRevision = o.ComtradeRevision;
    ComtradeDataOffset = o.ComtradeDataOffset;
    RecorderSpacing = o.RecorderSpacing;
    RecorderFiles.Copy(o.RecorderFiles);
}

void CReadAndWriteFileFunction::DeleteAllChannels() {
    for (int i = 0; i < Channels.GetSize(); ++i) delete static_cast<CExImPortChannel*>(Channels[i]);
    Channels.RemoveAll();
}

void CReadAndWriteFileFunction::ReplaceChannelSlot(int index, CExImPortChannel* channel) {
    if (index < 0) return;
    if (index < Channels.GetSize()) {
        auto* old = static_cast<CExImPortChannel*>(Channels[index]);
        if (old != channel) delete old;
    }
    Channels.SetAtGrow(index, channel);
}

// ---------------------------------------------------------------- channel table

int CReadAndWriteFileFunction::InsertChannel(int index, CArray<double, double>* values, CString name, CString unit) {
    ResetWarnAndErrorMsg();
    if (index < 0 || index >= NrChannels) {
        Warnings.Add(TBFormatMessage(TBMsg::MoreChannelsThanDim, {FileName}));
        return 2;
    }
    auto* channel = new CExImPortChannel;
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    if (values) channel->SetDoubleArray(values);
    ReplaceChannelSlot(index, channel);
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
    auto* channel = new CExImPortChannel;
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    if (values) attach(*channel, values);
    engine.ReplaceChannelSlot(index, channel);
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
        Channels.Add(new CExImPortChannel);
        return 1;
    }
    Warnings.Add(TBFormatMessage(TBMsg::MoreChannelsThanDim, {FileName}));
    return 2;
}

CExImPortChannel* CReadAndWriteFileFunction::GetChannel(int index) const {
    if (index < 0 || index >= NrChannels || index >= Channels.GetSize()) return nullptr;
    return static_cast<CExImPortChannel*>(Channels[index]);
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
    for (UINT id : kReadFilterIds) filters->Add(TBLoadString(id));
}

void CReadAndWriteFileFunction::GetFormatFilterWrite(CStringArray* filters) const {
    if (!filters) return;
    for (UINT id : kWriteFilterIds) filters->Add(TBLoadString(id));
}

// ---------------------------------------------------------------- read dispatch

int CReadAndWriteFileFunction::ReadInfoFile(CString fileName, CString tableName, int formatCode, const char* separator,
                                            const char* decimal, int withDialog, int reserved, int datFileKind) try {
    (void)formatCode;
    (void)reserved;
    FileName = fileName;
    WithDialog = withDialog;
    DatFileKind = datFileKind;
    const CString sep = separator ? separator : "";
    const CString dec = decimal ? decimal : "";
    const CString ext = LowerExtension(fileName);

    if (ext == ".mda" || ext == ".mdk") {
        FileKind = TB_KIND_MDA_MDK;
        return ReadMdx_k(fileName);
    }
    if (ext == ".mdx") {
        FileKind = TB_KIND_MDX;
        return ReadMdx_k(fileName);
    }
    if (ext == ".xls") {
        FileKind = TB_KIND_XLS;
        return ReadInfoExcel97File(fileName, tableName);
    }
    if (ext == ".mdb") {
        FileKind = TB_KIND_MDB;
        return ReadInfoAccessFile(fileName, tableName);
    }
    if (ext == ".txt") {
        FileKind = TB_KIND_TEXT;
        return ReadInfoCSVFile(fileName, sep, dec, 1, 0);
    }
    if (ext == ".csv") {
        FileKind = TB_KIND_CSV;
        return ReadInfoCSVFile(fileName, "", "", 1, 0);
    }
    if (ext == ".out") {
        FileKind = TB_KIND_OUT;
        return ReadInfoOUTFile(fileName);
    }
    if (ext == ".raw") {
        FileKind = TB_KIND_SPICE_RAW;
        return ReadInfoRawFile(fileName);
    }
    if (ext == ".cfg" || ext == ".cff") {
        FileKind = TB_KIND_COMTRADE;
        return ReadInfoComtradeFile(fileName);
    }
    if (ext == ".dat") {
        if (WithDialog != 1 || DatFileKind == 2) {
            FileKind = TB_KIND_RECORDER;
            return ReadInfoRockwellFile(fileName);
        }
        if (DatFileKind == 0) return 0;
        if (DatFileKind == 1) {
            FileKind = TB_KIND_TEXT;
            return ReadInfoCSVFile(fileName, "", "", 1, 0);
        }
        FileKind = TB_KIND_RECORDER_FILES;
        return ReadInfoRockwellFilesWithDialog(fileName);
    }
    FileKind = TB_KIND_TEXT;
    return ReadInfoCSVFile(fileName, sep, dec, 1, 0);
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
} catch (...) {
    // No exception of a format may leave the library.
    SetError(TBFormatMessage(TBMsg::WriteException, {FileName}), TB_EXCHANGE_FILE_ERROR);
    return 0;
}

int CReadAndWriteFileFunction::ReadDataFile() try {
    switch (FileKind) {
        case TB_KIND_MDA_MDK:
        case TB_KIND_MDX: return ReadMdx_a();
        case TB_KIND_XLS: return ReadDataDaoFile();
        case TB_KIND_MDB: return ReadDataAccessFile();
        case TB_KIND_TEXT:
        case TB_KIND_CSV: return ReadDataCSVFile();
        case TB_KIND_OUT: return ReadDataOUTFile();
        case TB_KIND_SPICE_RAW: return ReadDataRawFile();
        case TB_KIND_COMTRADE: return ReadDataComtradeFile();
        case TB_KIND_RECORDER: return ReadDataRockwellFile();
        case TB_KIND_RECORDER_FILES: return ReadDataRockwellFilesWithDialog();
        default: SetError(TBFormatMessage(TBMsg::UnknownFileFormat, {FileName}), TB_EXCHANGE_FILE_ERROR); return 0;
    }
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
} catch (...) {
    // No exception of a format may leave the library.
    SetError(TBFormatMessage(TBMsg::WriteException, {FileName}), TB_EXCHANGE_FILE_ERROR);
    return 0;
}

// ---------------------------------------------------------------- write dispatch

// The separator character of a characteristic file: the first character of the
// caller's separator, else the one chosen in the Export dialog when dialogs are
// allowed, else ';'. Returns 0 when the user cancelled.
int CReadAndWriteFileFunction::AskCharacteristicSeparator(const char* separator, int& chosen) {
    if (separator) {
        chosen = static_cast<unsigned char>(separator[0]);
        return 1;
    }
    if (WithDialog != 1) {
        chosen = ';';
        return 1;
    }
    CExportSeparatorRules dialog(0);
    if (TBGetDialogHub().DoModal(dialog) != IDOK) {
        LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return 0;
    }
    chosen = dialog.GetSeparatorChar();
    return 1;
}

// Format codes 0 to 5: .mdx (0-2) or .mdk/.mda (3-5), text, 4-byte or 8-byte values.
int CReadAndWriteFileFunction::WriteCharacteristic(const CString& name, int formatCode, const char* separator) {
    static const int kTyp[] = {'A', '4', '8'};
    SaveVersion = formatCode;
    LoadVersion = formatCode < 3 ? 0 : 1;
    FileKind = formatCode < 3 ? TB_KIND_MDX : TB_KIND_MDA_MDK;
    const int typ = kTyp[formatCode % 3];
    int separatorChar = ';';
    if (typ == 'A' && !AskCharacteristicSeparator(separator, separatorChar)) return 0;
    return WriteMdx_k_a(name, separatorChar, typ);
}

// A .txt file: the caller's symbols, else the Export dialog's when dialogs are
// allowed, else the user's locale symbols (through WriteCSVFile).
int CReadAndWriteFileFunction::WriteTextFile(const CString& name, const char* separator, const char* decimal) {
    SaveVersion = -1;
    LoadVersion = 4;
    FileKind = TB_KIND_TEXT;
    if (separator && decimal) return WriteCSVFile(name, separator, decimal);
    if (WithDialog == 1) {
        CExportSeparatorRules dialog(1);
        if (TBGetDialogHub().DoModal(dialog) != IDOK) {
            LastErrorNumber = TB_EXCHANGE_CANCELLED;
            return 0;
        }
        return WriteCSVFile(name, dialog.GetSeparator(), dialog.GetDecimal());
    }
    return WriteCSVFile(name, separator ? separator : "", decimal ? decimal : "");
}

int CReadAndWriteFileFunction::WriteFile(CString fileName, CString tableName, int formatCode, const char* separator,
                                         const char* decimal, int withDialog, int comtradeOption) try {
    FileName = fileName;
    WithDialog = withDialog;
    CString name = fileName;
    const CString ext = LowerExtension(fileName);

    if (!ext.IsEmpty()) {
        if (ext == ".mda" || ext == ".mdk" || ext == ".mdx") {
            if (formatCode >= 0 && formatCode <= 5) return WriteCharacteristic(fileName, formatCode, separator);
            const bool mdx = ext == ".mdx";
            SaveVersion = mdx ? 0 : 3;
            LoadVersion = mdx ? 0 : 1;
            return WriteMdx_k_a(fileName, ';', 'A');
        }
        if (ext == ".xls") {
            tableName.Remove('$');
            FileKind = TB_KIND_XLS;
            LoadVersion = 3;
            SaveVersion = (formatCode >= 6 && formatCode <= 9) ? formatCode : 7;
            switch (SaveVersion) {
                case 6: return WriteExcel30File(fileName, tableName);
                case 8: return WriteExcel50_95File(fileName, tableName);
                case 9: return WriteExcel97File(fileName, tableName);
                default: return WriteExcel40File(fileName, tableName);
            }
        }
        if (ext == ".mdb") {
            SaveVersion = 10;
            LoadVersion = 2;
            FileKind = TB_KIND_MDB;
            return WriteAccessFile(fileName, tableName);
        }
        if (ext == ".txt") return WriteTextFile(fileName, separator, decimal);
        if (ext == ".csv") {
            SaveVersion = 12;
            LoadVersion = 5;
            FileKind = TB_KIND_CSV;
            return WriteCSVFile(fileName, "", "");
        }
        if (ext == ".cfg" || ext == ".hdr" || ext == ".inf" || ext == ".dat") {
            LoadVersion = 7;
            FileKind = TB_KIND_COMTRADE;
            SaveVersion = formatCode == 14 ? 14 : 13;
            return WriteComtradeFile(fileName, formatCode == 14 ? 0 : 1, comtradeOption);
        }
        // An extension the engine does not know gives way to the one of the format code.
        name = fileName.Left(fileName.GetLength() - ext.GetLength());
    }

    // By the format code alone: its extension is appended to the name written, while
    // FileName keeps the name as given.
    const int result = [&]() -> int {
        SaveVersion = formatCode;
        if (formatCode >= 0 && formatCode <= 5)
            return WriteCharacteristic(name + (formatCode < 3 ? ".mdx" : ".mdk"), formatCode, separator);
        switch (formatCode) {
            case 6:
            case 7:
            case 8:
            case 9: {
                LoadVersion = 3;
                FileKind = TB_KIND_XLS;
                const CString xls = name + ".xls";
                if (formatCode == 6) return WriteExcel30File(xls, tableName);
                if (formatCode == 7) return WriteExcel40File(xls, tableName);
                if (formatCode == 8) return WriteExcel50_95File(xls, tableName);
                return WriteExcel97File(xls, tableName);
            }
            case 10:
                LoadVersion = 2;
                FileKind = TB_KIND_MDB;
                return WriteAccessFile(name + ".mdb", tableName);
            case 11: {
                int result = WriteTextFile(name + ".txt", separator, decimal);
                SaveVersion = 11;
                return result;
            }
            case 12:
                LoadVersion = 5;
                FileKind = TB_KIND_CSV;
                return WriteCSVFile(name + ".csv", separator ? separator : "", decimal ? decimal : "");
            case 13:
            case 14:
                LoadVersion = 7;
                FileKind = TB_KIND_COMTRADE;
                return WriteComtradeFile(name + ".cfg", formatCode == 14 ? 0 : 1, comtradeOption);
            default:
                LoadVersion = -1;
                FileKind = TB_KIND_TEXT;
                return WriteCSVFile(fileName, separator ? separator : "", decimal ? decimal : "");
        }
    }();
    FileName = fileName;
    return result;
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
} catch (...) {
    // No exception of a format may leave the library.
    SetError(TBFormatMessage(TBMsg::WriteException, {FileName}), TB_EXCHANGE_FILE_ERROR);
    return 0;
}

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
