// The exchange formats and the small adapters between the engine's dispatch and each
// format's entry members.
#include "exchange/format_table.h"

#include <toolbox/exchange/exchange_dialogs.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/resources/message_ids.h>

#include <cstring>

namespace tb_exchange {
namespace {

using Engine = CReadAndWriteFileFunction;

CString TextOrEmpty(const char* text) { return text ? CString(text) : CString(); }

// ---------------------------------------------------------------- characteristic files

// The separator character of a characteristic file: the first character of the
// caller's separator, else the one chosen in the Export dialog when dialogs are
// allowed, else ';'. An empty separator counts as none given: its first character
// would be a NUL in the file. False when the user cancelled.
bool AskCharacteristicSeparator(Engine& engine, const char* separator, int& chosen) {
    if (separator && separator[0]) {
        chosen = static_cast<unsigned char>(separator[0]);
        return true;
    }
    if (engine.WithDialog != 1) {
        chosen = ';';
        return true;
    }
    CExportSeparatorRules dialog(0);
    if (TBGetDialogHub().DoModal(dialog) != IDOK) {
        engine.LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return false;
    }
    chosen = dialog.GetSeparatorChar();
    return true;
}

int ReadCharacteristicInfo(Engine& engine, const ReadRequest& request) { return engine.ReadMdx_k(request.fileName); }
int ReadCharacteristicData(Engine& engine) { return engine.ReadMdx_a(); }

// Typ 'A' (text), '4' or '8' (binary values). A characteristic name written without a
// characteristic format code is text with ';' separators, without asking.
template <int Typ>
int WriteCharacteristic(Engine& engine, const WriteRequest& request) {
    if (!request.codeChoseEntry) return engine.WriteMdx_k_a(request.name, ';', 'A');
    int separatorChar = ';';
    if (Typ == 'A' && !AskCharacteristicSeparator(engine, request.separator, separatorChar)) return 0;
    return engine.WriteMdx_k_a(request.name, separatorChar, Typ);
}

// ---------------------------------------------------------------- workbooks and Access

int ReadWorkbookInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoExcel97File(request.fileName, request.tableName);
}
int ReadWorkbookData(Engine& engine) { return engine.ReadDataDaoFile(); }

// A sheet named with an .xls name loses the '$' of a table reference ("Sheet1$").
template <int (Engine::*Writer)(CString, CString)>
int WriteWorkbook(Engine& engine, const WriteRequest& request) {
    CString table = request.tableName;
    if (request.byExtension) table.Remove('$');
    return (engine.*Writer)(request.name, table);
}

int ReadAccessInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoAccessFile(request.fileName, request.tableName);
}
int ReadAccessData(Engine& engine) { return engine.ReadDataAccessFile(); }
int WriteAccess(Engine& engine, const WriteRequest& request) {
    return engine.WriteAccessFile(request.name, request.tableName);
}

// ---------------------------------------------------------------- delimited text

int ReadTextInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoCSVFile(request.fileName, request.separator, request.decimal, 1, 0);
}
// A .csv file always takes the user's list separator and decimal symbol.
int ReadCsvInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoCSVFile(request.fileName, "", "", 1, 0);
}
int ReadTextData(Engine& engine) { return engine.ReadDataCSVFile(); }

// A .txt file: the caller's symbols, else the Export dialog's when dialogs are allowed,
// else the user's locale symbols (through WriteCSVFile). A text file records no format
// code; WriteFile records 11 when the code chose the entry.
int WriteText(Engine& engine, const WriteRequest& request) {
    engine.SaveVersion = -1;
    if (request.separator && request.decimal)
        return engine.WriteCSVFile(request.name, request.separator, request.decimal);
    if (engine.WithDialog == 1) {
        CExportSeparatorRules dialog(1);
        if (TBGetDialogHub().DoModal(dialog) != IDOK) {
            engine.LastErrorNumber = TB_EXCHANGE_CANCELLED;
            return 0;
        }
        return engine.WriteCSVFile(request.name, dialog.GetSeparator(), dialog.GetDecimal());
    }
    return engine.WriteCSVFile(request.name, TextOrEmpty(request.separator), TextOrEmpty(request.decimal));
}

// The CSV writer takes the engine's own symbols (FileKind is CSV), whatever is passed.
int WriteCsv(Engine& engine, const WriteRequest& request) {
    return engine.WriteCSVFile(request.name, TextOrEmpty(request.separator), TextOrEmpty(request.decimal));
}

// ---------------------------------------------------------------- COMTRADE

int ReadComtradeInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoComtradeFile(request.fileName);
}
int ReadComtradeData(Engine& engine) { return engine.ReadDataComtradeFile(); }
template <int AsciiData>
int WriteComtrade(Engine& engine, const WriteRequest& request) {
    return engine.WriteComtradeFile(request.name, AsciiData, request.comtradeOption);
}

// ---------------------------------------------------------------- SPICE and recorder files

int ReadListingInfo(Engine& engine, const ReadRequest& request) { return engine.ReadInfoOUTFile(request.fileName); }
int ReadListingData(Engine& engine) { return engine.ReadDataOUTFile(); }
int ReadRawInfo(Engine& engine, const ReadRequest& request) { return engine.ReadInfoRawFile(request.fileName); }
int ReadRawData(Engine& engine) { return engine.ReadDataRawFile(); }
int ReadRecorderInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoRockwellFile(request.fileName);
}
int ReadRecorderData(Engine& engine) { return engine.ReadDataRockwellFile(); }
int ReadRecorderFilesInfo(Engine& engine, const ReadRequest& request) {
    return engine.ReadInfoRockwellFilesWithDialog(request.fileName);
}
int ReadRecorderFilesData(Engine& engine) { return engine.ReadDataRockwellFilesWithDialog(); }

constexpr CodeRange kCharacteristicCodes{0, 5};
constexpr CodeRange kWorkbookCodes{6, 9};
constexpr CodeRange kComtradeCodes{13, 14};
constexpr CodeRange kNoCodes{};

// clang-format off
constexpr ExchangeFormat kFormats[] = {
    // name, code, family, kind, read, write, suffix, same file codes, filter, info, data, write
    {"characteristic text .mdx", 0, 0, TB_KIND_MDX, ".mdx", ".mdx", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxAscii,
     ReadCharacteristicInfo, ReadCharacteristicData, WriteCharacteristic<'A'>},
    {"characteristic 4-byte .mdx", 1, 0, TB_KIND_MDX, "", "", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxBin4,
     nullptr, nullptr, WriteCharacteristic<'4'>},
    {"characteristic 8-byte .mdx", 2, 0, TB_KIND_MDX, "", "", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxBin8,
     nullptr, nullptr, WriteCharacteristic<'8'>},
    {"characteristic text .mdk/.mda", 3, 1, TB_KIND_MDA_MDK, ".mdk .mda", ".mdk .mda", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaAscii,
     ReadCharacteristicInfo, ReadCharacteristicData, WriteCharacteristic<'A'>},
    {"characteristic 4-byte .mdk/.mda", 4, 1, TB_KIND_MDA_MDK, "", "", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaBin4,
     nullptr, nullptr, WriteCharacteristic<'4'>},
    {"characteristic 8-byte .mdk/.mda", 5, 1, TB_KIND_MDA_MDK, "", "", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaBin8,
     nullptr, nullptr, WriteCharacteristic<'8'>},
    {"Excel 3.0", 6, 3, TB_KIND_XLS, "", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel3,
     nullptr, nullptr, WriteWorkbook<&Engine::WriteExcel30File>},
    {"Excel 4.0", 7, 3, TB_KIND_XLS, "", ".xls", ".xls", kWorkbookCodes, TBMsg::FilterExcel4,
     nullptr, nullptr, WriteWorkbook<&Engine::WriteExcel40File>},
    {"Excel 5.0/95", 8, 3, TB_KIND_XLS, "", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel5,
     nullptr, nullptr, WriteWorkbook<&Engine::WriteExcel50_95File>},
    {"Excel 97", 9, 3, TB_KIND_XLS, ".xls", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel8,
     ReadWorkbookInfo, ReadWorkbookData, WriteWorkbook<&Engine::WriteExcel97File>},
    {"Access", 10, 2, TB_KIND_MDB, ".mdb", ".mdb", ".mdb", kNoCodes, TBMsg::FilterAccess,
     ReadAccessInfo, ReadAccessData, WriteAccess},
    {"delimited text", 11, 4, TB_KIND_TEXT, ".txt", ".txt", ".txt", kNoCodes, TBMsg::FilterText,
     ReadTextInfo, ReadTextData, WriteText},
    {"CSV", 12, 5, TB_KIND_CSV, ".csv", ".csv", ".csv", kNoCodes, TBMsg::FilterCsv,
     ReadCsvInfo, ReadTextData, WriteCsv},
    {"COMTRADE ASCII", 13, 7, TB_KIND_COMTRADE, ".cfg .cff", ".cfg .hdr .inf .dat", ".cfg", kComtradeCodes, TBMsg::FilterComtradeAscii,
     ReadComtradeInfo, ReadComtradeData, WriteComtrade<1>},
    {"COMTRADE binary", 14, 7, TB_KIND_COMTRADE, "", "", ".cfg", kComtradeCodes, TBMsg::FilterComtradeBinary,
     nullptr, nullptr, WriteComtrade<0>},
    {"SPICE listing", -1, 6, TB_KIND_OUT, ".out", "", "", kNoCodes, 0,
     ReadListingInfo, ReadListingData, nullptr},
    {"SPICE raw", -1, 6, TB_KIND_SPICE_RAW, ".raw", "", "", kNoCodes, 0,
     ReadRawInfo, ReadRawData, nullptr},
    {"recorder file", -1, 8, TB_KIND_RECORDER, ".dat", "", "", kNoCodes, 0,
     ReadRecorderInfo, ReadRecorderData, nullptr},
    {"recorder files", -1, 8, TB_KIND_RECORDER_FILES, "", "", "", kNoCodes, 0,
     ReadRecorderFilesInfo, ReadRecorderFilesData, nullptr},
};
// clang-format on

constexpr int kFormatCodes = 15;

// FindFormatOfCode indexes the table by format code.
constexpr bool WritableEntriesInCodeOrder() {
    for (int code = 0; code < kFormatCodes; ++code)
        if (kFormats[code].formatCode != code || !kFormats[code].write) return false;
    return true;
}
static_assert(WritableEntriesInCodeOrder(), "the first entries are the format codes 0 to 14 in order");

}  // namespace

const UINT kReadFilterIds[8] = {
    TBMsg::FilterCharacteristic, TBMsg::FilterAccess,   TBMsg::FilterExcel,  TBMsg::FilterText, TBMsg::FilterCsv,
    TBMsg::FilterSpiceOut,       TBMsg::FilterComtrade, TBMsg::FilterTekDat,
};

ExchangeFormatList ExchangeFormats() { return {kFormats, sizeof kFormats / sizeof kFormats[0]}; }

bool NamesHold(const char* names, const CString& ext) {
    if (ext.IsEmpty()) return false;
    const std::size_t length = static_cast<std::size_t>(ext.GetLength());
    for (const char* p = names; *p;) {
        const char* end = std::strchr(p, ' ');
        const std::size_t n = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
        if (n == length && std::strncmp(p, ext.GetString(), n) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

const ExchangeFormat* FindReadFormat(const CString& ext) {
    for (const ExchangeFormat& format : ExchangeFormats())
        if (format.readInfo && NamesHold(format.readNames, ext)) return &format;
    return nullptr;
}

const ExchangeFormat* FindWriteFormat(const CString& ext) {
    for (const ExchangeFormat& format : ExchangeFormats())
        if (format.write && NamesHold(format.writeNames, ext)) return &format;
    return nullptr;
}

const ExchangeFormat* FindFormatOfCode(int formatCode) {
    if (formatCode < 0 || formatCode >= kFormatCodes) return nullptr;
    return &kFormats[formatCode];
}

const ExchangeFormat* FindFormatOfKind(int fileKind) {
    for (const ExchangeFormat& format : ExchangeFormats())
        if (format.fileKind == fileKind && format.readData) return &format;
    return nullptr;
}

}  // namespace tb_exchange
