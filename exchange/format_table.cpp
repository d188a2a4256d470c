// The format table: one row per format, naming its codes, extensions, filter text and
// the free functions of its source. Only this table knows the format and family
// codes; RecordFormat and WriteFile write them into the engine.
#include "exchange/format_table.h"

#include <toolbox/exchange/format_list.h>
#include <toolbox/resources/message_ids.h>

#include <cstring>

namespace tb_exchange {

// The entries of each format, defined in its source.
int ReadCharacteristicInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadCharacteristicData(CReadAndWriteFileFunction&);
int WriteCharacteristicText(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteCharacteristic4(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteCharacteristic8(CReadAndWriteFileFunction&, const WriteRequest&);
int ReadWorkbookInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadWorkbookData(CReadAndWriteFileFunction&);
int WriteExcel3(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteExcel4(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteExcel5(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteExcel97(CReadAndWriteFileFunction&, const WriteRequest&);
int ReadAccessInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadAccessData(CReadAndWriteFileFunction&);
int WriteAccess(CReadAndWriteFileFunction&, const WriteRequest&);
int ReadTextInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadTextData(CReadAndWriteFileFunction&);
int WriteText(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteCsv(CReadAndWriteFileFunction&, const WriteRequest&);
int ReadComtradeInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadComtradeData(CReadAndWriteFileFunction&);
int WriteComtradeAscii(CReadAndWriteFileFunction&, const WriteRequest&);
int WriteComtradeBinary(CReadAndWriteFileFunction&, const WriteRequest&);
int ReadListingInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadListingData(CReadAndWriteFileFunction&);
int ReadRawInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadRawData(CReadAndWriteFileFunction&);
int ReadRecorderInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadRecorderData(CReadAndWriteFileFunction&);
int ReadRecorderFilesInfo(CReadAndWriteFileFunction&, const ReadRequest&, ReadOutcome&);
int ReadRecorderFilesData(CReadAndWriteFileFunction&);

namespace {

constexpr CodeRange kCharacteristicCodes{0, 5};
constexpr CodeRange kWorkbookCodes{6, 9};
constexpr CodeRange kComtradeCodes{13, 14};
constexpr CodeRange kNoCodes{};

// clang-format off
constexpr ExchangeFormat kFormats[] = {
    // name, code, records code, family, kind, variant, read, write, suffix, same file codes, filter, one text file,
    // info, data, write
    {"characteristic text .mdx", 0, true, 0, TB_KIND_MDX, 'A', ".mdx", ".mdx", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxAscii, true,
     ReadCharacteristicInfo, ReadCharacteristicData, WriteCharacteristicText},
    {"characteristic 4-byte .mdx", 1, true, 0, TB_KIND_MDX, '4', "", "", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxBin4, false,
     nullptr, nullptr, WriteCharacteristic4},
    {"characteristic 8-byte .mdx", 2, true, 0, TB_KIND_MDX, '8', "", "", ".mdx", kCharacteristicCodes, TBMsg::FilterMdxBin8, false,
     nullptr, nullptr, WriteCharacteristic8},
    {"characteristic text .mdk/.mda", 3, true, 1, TB_KIND_MDA_MDK, 'A', ".mdk .mda", ".mdk .mda", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaAscii, false,
     ReadCharacteristicInfo, ReadCharacteristicData, WriteCharacteristicText},
    {"characteristic 4-byte .mdk/.mda", 4, true, 1, TB_KIND_MDA_MDK, '4', "", "", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaBin4, false,
     nullptr, nullptr, WriteCharacteristic4},
    {"characteristic 8-byte .mdk/.mda", 5, true, 1, TB_KIND_MDA_MDK, '8', "", "", ".mdk", kCharacteristicCodes, TBMsg::FilterMdaBin8, false,
     nullptr, nullptr, WriteCharacteristic8},
    {"Excel 3.0", 6, true, 3, TB_KIND_XLS, 3, "", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel3, false,
     nullptr, nullptr, WriteExcel3},
    {"Excel 4.0", 7, true, 3, TB_KIND_XLS, 4, "", ".xls", ".xls", kWorkbookCodes, TBMsg::FilterExcel4, false,
     nullptr, nullptr, WriteExcel4},
    {"Excel 5.0/95", 8, true, 3, TB_KIND_XLS, 5, "", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel5, false,
     nullptr, nullptr, WriteExcel5},
    {"Excel 97", 9, true, 3, TB_KIND_XLS, 8, ".xls", "", ".xls", kWorkbookCodes, TBMsg::FilterExcel8, false,
     ReadWorkbookInfo, ReadWorkbookData, WriteExcel97},
    {"Access", 10, true, 2, TB_KIND_MDB, 0, ".mdb", ".mdb", ".mdb", kNoCodes, TBMsg::FilterAccess, false,
     ReadAccessInfo, ReadAccessData, WriteAccess},
    {"delimited text", 11, false, 4, TB_KIND_TEXT, 0, ".txt", ".txt", ".txt", kNoCodes, TBMsg::FilterText, true,
     ReadTextInfo, ReadTextData, WriteText},
    {"CSV", 12, true, 5, TB_KIND_CSV, 0, ".csv", ".csv", ".csv", kNoCodes, TBMsg::FilterCsv, true,
     ReadTextInfo, ReadTextData, WriteCsv},
    {"COMTRADE ASCII", 13, true, 7, TB_KIND_COMTRADE, 'A', ".cfg .cff", ".cfg .hdr .inf .dat", ".cfg", kComtradeCodes, TBMsg::FilterComtradeAscii, false,
     ReadComtradeInfo, ReadComtradeData, WriteComtradeAscii},
    {"COMTRADE binary", 14, true, 7, TB_KIND_COMTRADE, 'B', "", "", ".cfg", kComtradeCodes, TBMsg::FilterComtradeBinary, false,
     nullptr, nullptr, WriteComtradeBinary},
    {"characteristic table .mdx", -1, false, 0, TB_KIND_MDX, 'T', "", "", "", kNoCodes, 0, false,
     nullptr, nullptr, nullptr},
    {"characteristic table .mdk", -1, false, 1, TB_KIND_MDA_MDK, 'T', "", "", "", kNoCodes, 0, false,
     nullptr, nullptr, nullptr},
    {"SPICE listing", -1, false, 6, TB_KIND_OUT, 0, ".out", "", "", kNoCodes, 0, false,
     ReadListingInfo, ReadListingData, nullptr},
    {"SPICE raw", -1, false, 6, TB_KIND_SPICE_RAW, 0, ".raw", "", "", kNoCodes, 0, false,
     ReadRawInfo, ReadRawData, nullptr},
    {"recorder file", -1, false, 8, TB_KIND_RECORDER, 0, ".dat", "", "", kNoCodes, 0, false,
     ReadRecorderInfo, ReadRecorderData, nullptr},
    {"recorder files", -1, false, 8, TB_KIND_RECORDER_FILES, 0, "", "", "", kNoCodes, 0, false,
     ReadRecorderFilesInfo, ReadRecorderFilesData, nullptr},
};
// clang-format on

// The family codes (GetLoadVersion) with the names tbx and the viewer show.
struct Family {
    int code;
    const char* name;
};
constexpr Family kFamilies[] = {
    {0, "Characteristic (.mdx)"}, {1, "Characteristic (.mda/.mdk)"}, {2, "Microsoft Access (.mdb)"},
    {3, "Microsoft Excel (.xls)"}, {4, "Text"},                      {5, "CSV"},
    {6, "SPICE output (.out, .raw)"}, {7, "COMTRADE"},                {8, "Recorder (.dat)"},
};

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

const char* FamilyName(int familyCode) {
    for (const Family& family : kFamilies)
        if (family.code == familyCode) return family.name;
    return "unknown";
}

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

// ---------------------------------------------------------------- the public list

namespace {

int IndexOf(const tb_exchange::ExchangeFormat* format) {
    return format ? static_cast<int>(format - tb_exchange::ExchangeFormats().begin()) : -1;
}

bool ReadAsText(const tb_exchange::ExchangeFormat& format) {
    return format.fileKind == TB_KIND_TEXT || format.fileKind == TB_KIND_CSV;
}

}  // namespace

int TBGetExchangeFormatCount() { return static_cast<int>(tb_exchange::ExchangeFormats().count); }

bool TBGetExchangeFormat(int index, TBExchangeFormatInfo& info) {
    if (index < 0 || index >= TBGetExchangeFormatCount()) return false;
    const tb_exchange::ExchangeFormat& format = tb_exchange::ExchangeFormats().begin()[index];
    info.name = format.name;
    info.formatCode = format.formatCode;
    info.readFormatCode = format.recordsCode ? format.formatCode : -1;
    info.familyCode = format.familyCode;
    info.familyName = tb_exchange::FamilyName(format.familyCode);
    info.readExtensions = format.readInfo ? format.readNames : "";
    info.writeExtension = format.write ? format.writeSuffix : "";
    info.readAsText = ReadAsText(format);
    info.oneTextFile = format.oneTextFile;
    info.holdsTables = format.fileKind == TB_KIND_XLS || format.fileKind == TB_KIND_MDB;
    return true;
}

int TBFindExchangeFormatOfCode(int formatCode) { return IndexOf(tb_exchange::FindFormatOfCode(formatCode)); }

int TBFindExchangeFormatOfFile(const CString& fileName) {
    const tb_exchange::ExchangeFormat* format = tb_exchange::FindReadFormat(tb_exchange::LowerExtension(fileName));
    return IndexOf(format ? format : tb_exchange::FindFormatOfKind(TB_KIND_TEXT));
}

CString TBGetExchangeFamilyName(int familyCode) { return tb_exchange::FamilyName(familyCode); }
