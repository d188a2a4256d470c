#include <toolbox/exchange/read_and_write_files.h>

#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

namespace {
const UINT kFacadeReadFilterIds[] = {
    TBMsg::FilterMdx, TBMsg::FilterMda,      TBMsg::FilterAccess,   TBMsg::FilterExcel,  TBMsg::FilterText,
    TBMsg::FilterCsv, TBMsg::FilterSpiceOut, TBMsg::FilterComtrade, TBMsg::FilterTekDat,
};

CString Concatenate(const CStringArray& parts) {
    CString all;
    for (int i = 0; i < parts.GetSize(); ++i) all += parts[i];
    return all;
}
}  // namespace

CReadAndWriteFiles::CReadAndWriteFiles() : m_engine(new CReadAndWriteFileFunction) {}

CReadAndWriteFiles::CReadAndWriteFiles(const CReadAndWriteFiles& other)
    : m_engine(new CReadAndWriteFileFunction(*other.m_engine)) {}

CReadAndWriteFiles& CReadAndWriteFiles::operator=(const CReadAndWriteFiles& other) {
    if (this != &other) *m_engine = *other.m_engine;
    return *this;
}

CReadAndWriteFiles::~CReadAndWriteFiles() { delete m_engine; }

void CReadAndWriteFiles::GetFormatFilterRead(CStringArray* filters) {
    if (!filters) return;
    for (UINT id : kFacadeReadFilterIds) filters->Add(TBLoadString(id));
}

CString CReadAndWriteFiles::GetFormatFilterRead() {
    CStringArray parts;
    GetFormatFilterRead(&parts);
    return Concatenate(parts);
}

void CReadAndWriteFiles::GetFormatFilterWrite(CStringArray* filters) {
    CReadAndWriteFileFunction().GetFormatFilterWrite(filters);
}

CString CReadAndWriteFiles::GetFormatFilterWrite() {
    CStringArray parts;
    GetFormatFilterWrite(&parts);
    return Concatenate(parts);
}
