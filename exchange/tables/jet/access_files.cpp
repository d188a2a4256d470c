// Access databases (.mdb) in the exchange engine: the entry members that prepare file
// name, table name and the format codes before the database path of the engine
// (WriteDaoFile, ReadInfoDaoDataFile, ReadDataDaoFile) does the work.
#include <toolbox/exchange/engine.h>

#include "exchange/format_table.h"

#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

namespace {

// The name without directory and extension.
CString FileTitle(const CString& fileName) {
    CString title = fileName.Mid(fileName.ReverseFind('/') + 1);
    const int dot = title.ReverseFind('.');
    return dot > 0 ? title.Left(dot) : title;
}

void SetAccessCodes(CReadAndWriteFileFunction& engine) {
    engine.ConnectTitle.Empty();  // Access uses no connect string
    tb_exchange::RecordFormat(engine, TB_KIND_MDB);
}

}  // namespace

int CReadAndWriteFileFunction::WriteAccessFile(CString fileName, CString tableName) {
    if (fileName.IsEmpty() && FileName.IsEmpty()) {
        fileName = AskExchangeFileName("*.mdb", TBLoadString(TBMsg::FilterAccess), 0);
        if (fileName.IsEmpty()) {
            LastError = TBLoadString(TBMsg::NoFileName);
            return 0;
        }
    }
    if (fileName.IsEmpty()) fileName = FileName;
    FileName = fileName;
    TableName = tableName.IsEmpty() ? CString("Data") : tableName;
    SetAccessCodes(*this);
    FileKind = TB_KIND_MDB;
    return WriteDaoFile();
}

int CReadAndWriteFileFunction::ReadInfoAccessFile(CString fileName, CString tableName) {
    if (fileName.IsEmpty() && FileName.IsEmpty()) {
        fileName = AskExchangeFileName("*.mdb", TBLoadString(TBMsg::FilterAccess), 1);
        if (fileName.IsEmpty()) {
            LastError = TBLoadString(TBMsg::NoFileName);
            return 0;
        }
    }
    if (!fileName.IsEmpty()) FileName = fileName;
    TableName = tableName;
    SetAccessCodes(*this);
    FileKind = TB_KIND_MDB;
    return ReadInfoDaoDataFile();
}

int CReadAndWriteFileFunction::ReadDataAccessFile() {
    SetAccessCodes(*this);
    if (TableName.IsEmpty()) TableName = FileTitle(FileName);
    return ReadDataDaoFile();
}

// ---------------------------------------------------------------- entries of the format table

namespace tb_exchange {

int ReadAccessInfo(CReadAndWriteFileFunction& engine, const ReadRequest& request, ReadOutcome&) {
    return engine.ReadInfoAccessFile(request.fileName, request.tableName);
}
int ReadAccessData(CReadAndWriteFileFunction& engine) { return engine.ReadDataAccessFile(); }
int WriteAccess(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return engine.WriteAccessFile(request.name, request.tableName);
}

}  // namespace tb_exchange
