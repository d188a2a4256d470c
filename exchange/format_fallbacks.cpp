// Fallbacks for the entry members of formats whose source is not part of the build.
// Each is a weak definition: a format source that defines the same member replaces it
// at link time. A fallback reports the format as unavailable and returns 0.
#include "exchange/engine.h"
#include "resources/string_table.h"

#define TB_FORMAT_FALLBACK __attribute__((weak))

namespace {
int Unavailable(CReadAndWriteFileFunction& engine, const char* format) {
    engine.SetError(TBFormatText("The file >>%s<<: %s files are not supported by this build of the library.",
                                 {engine.FileName, format}),
                    TB_EXCHANGE_FILE_ERROR);
    return 0;
}
} // namespace

TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadMdx_k(CString) { return Unavailable(*this, "Characteristic (.mdx/.mdk/.mda)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadMdx_a() { return Unavailable(*this, "Characteristic (.mdx/.mdk/.mda)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteMdx_k_a(CString, int, int) { return Unavailable(*this, "Characteristic (.mdx/.mdk/.mda)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoExcel97File(CString, CString) { return Unavailable(*this, "Excel (.xls)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoAccessFile(CString, CString) { return Unavailable(*this, "Access (.mdb)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataDaoFile() { return Unavailable(*this, "Excel and Access"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataAccessFile() { return Unavailable(*this, "Access (.mdb)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteExcel30File(CString, CString) { return Unavailable(*this, "Excel 3.0 (.xls)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteExcel40File(CString, CString) { return Unavailable(*this, "Excel 4.0 (.xls)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteExcel50_95File(CString, CString) { return Unavailable(*this, "Excel 5.0 (.xls)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteExcel97File(CString, CString) { return Unavailable(*this, "Excel 97 (.xls)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteAccessFile(CString, CString) { return Unavailable(*this, "Access (.mdb)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoOUTFile(CString) { return Unavailable(*this, "SPICE output (.out)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataOUTFile() { return Unavailable(*this, "SPICE output (.out)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoRawFile(CString) { return Unavailable(*this, "SPICE raw (.raw)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataRawFile() { return Unavailable(*this, "SPICE raw (.raw)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoComtradeFile(CString) { return Unavailable(*this, "COMTRADE (.cfg)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataComtradeFile() { return Unavailable(*this, "COMTRADE (.cfg)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::WriteComtradeFile(CString, int, int) { return Unavailable(*this, "COMTRADE (.cfg)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoRockwellFile(CString) { return Unavailable(*this, "Recorder (.dat)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataRockwellFile() { return Unavailable(*this, "Recorder (.dat)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadInfoRockwellFilesWithDialog(CString) { return Unavailable(*this, "Recorder (.dat)"); }
TB_FORMAT_FALLBACK int CReadAndWriteFileFunction::ReadDataRockwellFilesWithDialog() { return Unavailable(*this, "Recorder (.dat)"); }
