// Channels exchanged with tables: the Excel readers and writers of the engine and the
// table-layer steps that Excel and Access share (WriteDaoFile, ReadInfoDaoDataFile,
// ReadDataDaoFile). A table is the unit of exchange: each field a channel, each record
// one item. Field names are "name(unit)". A write goes to a temporary file first and
// replaces the target only when everything succeeded.
#include <toolbox/exchange/dao.h>

#include "exchange/format_state.h"
#include "exchange/format_table.h"
#include "exchange/value_convert.h"
#include "exchange/value_store.h"
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/table_choice.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/file_io.h>
#include <toolbox/os/output_file.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kDefaultConnect[] = "Excel 8.0;";
const int kMaxTitle = 31;

// Directory (with its "/"), title and extension (with its ".") of a path.
struct PathParts {
    CString directory, title, extension;
};

PathParts SplitPath(const CString& path) {
    PathParts p;
    int slash = path.ReverseFind('/');
    p.directory = path.Left(slash + 1);
    CString name = path.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    if (dot > 0) {
        p.title = name.Left(dot);
        p.extension = name.Mid(dot);
    } else {
        p.title = name;
    }
    return p;
}

// Length in characters of UTF-8 text, and the byte length of its first count characters.
int CharacterCount(const CString& text) {
    int count = 0;
    for (int i = 0; i < text.GetLength(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++count;
    return count;
}

CString FirstCharacters(const CString& text, int count) {
    int seen = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (seen == count) return text.Left(i);
            ++seen;
        }
    }
    return text;
}

// Characters a table field name must not hold, and what stands for them. The double
// quote becomes the superscript two of the Windows code page, written in UTF-8 here.
CString ReplaceForbidden(CString text) {
    text.Replace('.', '#');
    text.Replace('!', '~');
    text.Replace('`', '|');
    text.Replace('[', '(');
    text.Replace(']', ')');
    text.Replace("\"", "\xC2\xB2");
    return text;
}

// A field name "name(unit)" split into channel name and unit; any other name is the
// channel name with an empty unit.
void SplitFieldName(const CString& field, CString& name, CString& unit) {
    int open = field.ReverseFind('(');
    if (open > 0 && field.GetLength() >= 2 && field[field.GetLength() - 1] == ')') {
        name = field.Left(open);
        unit = field.Mid(open + 1, field.GetLength() - open - 2);
    } else {
        name = field;
        unit.Empty();
    }
}

using tb_exchange::VariantNumber;
using tb_exchange::VariantText;

// A temporary file name in the system's temporary directory: "Dao" and a unique part,
// with the given extension. The name is free (no file exists under it) on return.
CString MakeTemporaryName(const CString& extension) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/DaoXXXXXX" + extension.GetString();
    int fd = mkstemps(&path[0], extension.GetLength());
    if (fd < 0) return CString();
    close(fd);
    std::remove(path.c_str());
    return CString(path);
}

// The text of a table-layer failure, added as a warning beside the message so the user
// learns the reason (a version's row limit, a name not allowed...).
void AddReason(CReadAndWriteFileFunction& engine, const CString& reason) {
    if (!reason.IsEmpty()) engine.AddWarning(reason);
}

// The error of a failed write with what went wrong after it ("No space left on
// device"); the reason also stays readable as a warning.
void SetWriteError(CReadAndWriteFileFunction& engine, const CString& text, int errorNumber, const CString& reason) {
    engine.SetError(reason.IsEmpty() ? text : text + " (" + reason + ")", errorNumber);
    AddReason(engine, reason);
}

// Item k of a channel from its first store: double pointer, double array, string array,
// variant array. False when the channel has no store or the store is too short.
bool ItemOf(const CExImPortChannel& channel, int k, COleVariant& value) {
    const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(&channel);
    switch (s.kind) {
        case tb_exchange::ChannelStorage::Block: value = COleVariant(LimitExportValue(s.block[k])); return true;
        case tb_exchange::ChannelStorage::Doubles:
            if (k >= s.doubles->GetSize()) return false;
            value = COleVariant(LimitExportValue(s.doubles->GetAt(k)));
            return true;
        case tb_exchange::ChannelStorage::Strings:
            if (k >= s.strings->GetSize()) return false;
            value = COleVariant(s.strings->GetAt(k));
            return true;
        case tb_exchange::ChannelStorage::Variants:
            if (k >= s.variants->GetSize()) return false;
            value = s.variants->GetAt(k);
            return true;
        default: return false;
    }
}

// The number storage of the first used channels (null for a missing slot), when every
// one keeps numbers: a double block, or a double array, grown here to the records
// that will be read as SetAtGrow would grow it. False when a channel keeps texts or
// variants, or none is there.
bool NumberTargets(CReadAndWriteFileFunction& engine, int used, long records, std::vector<double*>& targets) {
    bool any = false;
    for (int i = 0; i < used; ++i) {
        CExImPortChannel* channel = engine.GetChannel(i);
        if (!channel) continue;
        const tb_exchange::ChannelStorage::Kind kind = tb_exchange::StorageOf(channel).kind;
        if (kind != tb_exchange::ChannelStorage::Block && kind != tb_exchange::ChannelStorage::Doubles) return false;
        any = true;
    }
    if (!any) return false;
    const long items = std::min<long>(engine.NrItems > 0 ? engine.NrItems : 0, records > 0 ? records : 0);
    targets.assign(static_cast<std::size_t>(used), nullptr);
    for (int i = 0; i < used; ++i) {
        const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(engine.GetChannel(i));
        if (s.kind == tb_exchange::ChannelStorage::Block) {
            targets[i] = s.block;
        } else if (s.kind == tb_exchange::ChannelStorage::Doubles) {
            if (s.doubles->GetSize() < items) s.doubles->SetSize(static_cast<int>(items));
            targets[i] = s.doubles->GetData();
        }
    }
    return true;
}

bool IsWorkbook(const CString& path) {
    CString ext = SplitPath(path).extension;
    ext.MakeLower();
    return ext == ".xls";
}

}  // namespace

// ---------------------------------------------------------------- writers

int CReadAndWriteFileFunction::WriteExcel30File(CString fileName, CString tableName) {
    ConnectTitle = "Excel 3.0;";
    return WriteExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::WriteExcel40File(CString fileName, CString tableName) {
    ConnectTitle = "Excel 4.0;";
    return WriteExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::WriteExcel50_95File(CString fileName, CString tableName) {
    ConnectTitle = "Excel 5.0;";
    return WriteExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::WriteExcel97File(CString fileName, CString tableName) {
    ConnectTitle = kDefaultConnect;
    return WriteExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::WriteExcelFile(CString fileName, CString tableName) {
    if (fileName.IsEmpty() && FileName.IsEmpty()) {
        fileName = AskExchangeFileName("*.xls", TBLoadString(TBMsg::FilterExcel), 0);
        if (fileName.IsEmpty()) {
            LastError = TBLoadString(TBMsg::NoFileName);
            return 0;
        }
    }
    if (fileName.IsEmpty()) fileName = FileName;
    bool adjusted = false;
    PathParts parts = SplitPath(fileName);
    if (CharacterCount(parts.title) > kMaxTitle) {
        AddWarning(TBFormatMessage(TBMsg::FileNameTooLong, {fileName}));
        fileName = parts.directory + FirstCharacters(parts.title, kMaxTitle) + parts.extension;
        adjusted = true;
    }
    FileName = fileName;
    TableName = tableName.IsEmpty() ? CString("Data") : tableName;
    if (ConnectTitle.IsEmpty()) {
        ConnectTitle = kDefaultConnect;
        AddWarning(TBFormatMessage(TBMsg::InvalidFileTypePointer, {FileName}));
        adjusted = true;
    }
    for (int i = 0; i < Channels.GetSize(); ++i) {
        CExImPortChannel* channel = Channels[i];
        if (!channel) continue;
        channel->SetChannelName(ReplaceForbidden(channel->GetChannelName()));
        channel->SetUnitName(ReplaceForbidden(channel->GetUnitName()));
    }
    int result = WriteDaoFile();
    return (result == 1 && adjusted) ? 2 : result;
}

int CReadAndWriteFileFunction::WriteDaoFile() {
    for (int i = 0; i < NrChannels; ++i)
        if (!GetChannel(i)) AddWarning(TBFormatMessage(TBMsg::ChannelNotWritten, {FileName, i + 1}));

    CString extension = SplitPath(FileName).extension;
    CString temporary = MakeTemporaryName(extension);
    if (temporary.IsEmpty()) {
        SetError(TBFormatMessage(TBMsg::CreateFileFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    struct TemporaryFile {
        CString path;
        ~TemporaryFile() { std::remove(path.GetString()); }
    } cleanup{temporary};

    try {
        CDaoDatabase database;
        int opened = ConnectTitle.IsEmpty() ? database.Create(temporary, dbLangGeneral, dbVersion30)
                                            : database.Open(temporary, FALSE, FALSE, ConnectTitle);
        if (!opened) {
            SetWriteError(*this, TBFormatMessage(TBMsg::CreateDatabaseFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR,
                          database.GetLastErrorText());
            return 0;
        }
        auto databaseFailure = [&](const CString& reason, UINT message = TBMsg::CreateDatabaseFailed) {
            // A message of its own says what went wrong; the general one gets the reason.
            if (message == TBMsg::CreateDatabaseFailed) {
                SetWriteError(*this, TBFormatMessage(message, {FileName}), TB_EXCHANGE_DATABASE_ERROR, reason);
            } else {
                SetError(TBFormatMessage(message, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
                AddReason(*this, reason);
            }
            return 0;
        };

        // The table: one field per channel.
        CDaoTableDef table(&database);
        if (!table.Create(TableName)) return databaseFailure(table.GetLastErrorText());
        for (int i = 0; i < NrChannels; ++i) {
            CExImPortChannel* channel = GetChannel(i);
            if (!channel) {
                SetError(TBFormatMessage(TBMsg::InvalidChannelCount, {FileName}), TB_EXCHANGE_DATA_ERROR);
                return 0;
            }
            CString name = channel->GetChannelName();
            if (name.IsEmpty()) {
                name.Format("Ch%i", i + 1);
                AddWarning(TBFormatMessage(TBMsg::InvalidChannelName, {FileName}));
            }
            if (!channel->GetUnitName().IsEmpty()) name += "(" + channel->GetUnitName() + ")";
            short type = dbDouble;
            CArray<COleVariant, COleVariant>* variants = channel->GetVariantArray();
            if (!channel->GetDoublePtr() && !(channel->GetDoubleArray() && channel->GetDoubleArray()->GetSize() > 0) &&
                !(channel->GetStringArray() && channel->GetStringArray()->GetSize() > 0) && variants &&
                variants->GetSize() > 0 && variants->GetAt(0).vt == VT_BSTR)
                type = dbText;
            if (!table.CreateField(name, type, 20, dbVariableField | dbUpdatableField))
                return databaseFailure(table.GetLastErrorText(), table.GetLastErrorCode() == TB_DAO_E_DUPLICATE
                                                                     ? TBMsg::IdenticalChannelNames
                                                                     : TBMsg::CreateDatabaseFailed);
        }
        if (!table.Append()) return databaseFailure(table.GetLastErrorText());

        // The records: item k of every channel.
        CDaoRecordset records(&database);
        if (!records.Open(&table, dbOpenTable, 0)) return databaseFailure(records.GetLastErrorText());
        for (int k = 0; k < NrItems; ++k) {
            if (!records.AddNew()) return databaseFailure(records.GetLastErrorText());
            for (int i = 0; i < NrChannels; ++i) {
                COleVariant value;
                if (!ItemOf(*GetChannel(i), k, value)) {
                    SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, i + 1}), TB_EXCHANGE_DATA_ERROR);
                    return 0;
                }
                if (!records.SetFieldValue(i, value)) return databaseFailure(records.GetLastErrorText());
            }
            if (!records.Update()) return databaseFailure(records.GetLastErrorText());
        }
        records.Close();
        table.Close();
        if (!database.Close()) return databaseFailure(database.GetLastErrorText());
    } catch (const std::bad_alloc&) {
        SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }

    // The table layer wrote a private file; it is put at FileName under the output rule
    // (a link's file is replaced, a pipe or device written directly).
    if (!TBReplaceFileFrom(temporary.GetString(), FileName.GetString())) {
        const int error = errno;
        SetWriteError(*this, TBFormatMessage(TBMsg::CreateFileFailed, {FileName}), TB_EXCHANGE_FILE_ERROR,
                      TBSystemErrorText(error));
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- readers

namespace {

// What tells a file's content apart from a later one at the same name.
struct FileIdentity {
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};
};

FileIdentity IdentityOf(const CString& path) {
    FileIdentity id;
    struct stat st;
    if (::stat(path.GetString(), &st) != 0 || !S_ISREG(st.st_mode)) return id;
    id.valid = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    id.changed = st.st_ctim;
    return id;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.valid && b.valid && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
           a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
}

}  // namespace

namespace {

// The database ReadInfoDaoDataFile opened, for the ReadDataDaoFile of the same file.
struct TableReadCache {
    CDaoDatabase database;
    CString fileName;
    CString connect;
    FileIdentity identity;
};

// The database the last info read of a table opened, kept for the data read that
// follows while the file stays unchanged, so that the file is read and checked once;
// that read gives it up. Engines copied meanwhile share it and open the file anew.
struct TableReadState {
    std::shared_ptr<TableReadCache> kept;
};

std::shared_ptr<TableReadCache>& KeptDatabase(CReadAndWriteFileFunction& engine) {
    return tb_exchange::FormatState<TableReadState>(engine).kept;
}

// biffVersion 3, 4, 5 or 8 names the workbook format.
void SetExcelCodes(CReadAndWriteFileFunction& engine, const char* connect, int biffVersion) {
    engine.ConnectTitle = connect;
    tb_exchange::RecordFormat(engine, TB_KIND_XLS, biffVersion);
}

}  // namespace

int CReadAndWriteFileFunction::ReadInfoExcel30File(CString fileName, CString tableName) {
    SetExcelCodes(*this, "Excel 3.0;", 3);
    return ReadInfoExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::ReadInfoExcel40File(CString fileName, CString tableName) {
    SetExcelCodes(*this, "Excel 4.0;", 4);
    return ReadInfoExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::ReadInfoExcel50_95File(CString fileName, CString tableName) {
    SetExcelCodes(*this, "Excel 5.0;", 5);
    return ReadInfoExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::ReadInfoExcel97File(CString fileName, CString tableName) {
    SetExcelCodes(*this, kDefaultConnect, 8);
    return ReadInfoExcelFile(fileName, tableName);
}

int CReadAndWriteFileFunction::ReadInfoExcelFile(CString fileName, CString tableName) {
    if (fileName.IsEmpty() && FileName.IsEmpty()) {
        fileName = AskExchangeFileName("*.xls", TBLoadString(TBMsg::FilterExcel), 1);
        if (fileName.IsEmpty()) {
            LastError = TBLoadString(TBMsg::NoFileName);
            return 0;
        }
    }
    if (!fileName.IsEmpty()) FileName = fileName;
    TableName = tableName;
    if (ConnectTitle.IsEmpty()) {
        ConnectTitle = kDefaultConnect;
        AddWarning(TBFormatMessage(TBMsg::InvalidFileTypePointer, {FileName}));
    }
    return ReadInfoDaoDataFile();
}

int CReadAndWriteFileFunction::ReadInfoDaoDataFile() {
    KeptDatabase(*this).reset();
    try {
        auto kept = std::make_shared<TableReadCache>();
        const FileIdentity identity = IdentityOf(FileName);
        CDaoDatabase& database = kept->database;
        if (!database.Open(FileName, FALSE, TRUE, ConnectTitle)) {
            SetError(TBFormatMessage(TBMsg::OpenDatabaseFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
            AddReason(*this, database.GetLastErrorText());
            return 0;
        }
        const bool workbook = IsWorkbook(FileName);
        if (workbook) {
            // "3.0" ... "8.0": the workbook's own version, whatever the connect string said.
            const CString version = database.GetVersion();
            const int biffVersion = version.GetLength() == 3 && version.Right(2) == ".0" ? version[0] - '0' : 0;
            if (biffVersion == 3 || biffVersion == 4 || biffVersion == 5 || biffVersion == 8)
                tb_exchange::RecordFormat(*this, TB_KIND_XLS, biffVersion);
        }
        if (TableName.IsEmpty()) {
            if (WithDialog != 1) {
                TableName = SplitPath(FileName).title;
            } else {
                CStringArray shown, stored;
                for (int t = 0; t < database.GetTableDefCount(); ++t) {
                    CDaoTableDefInfo info;
                    database.GetTableDefInfo(t, info);
                    CString name = info.m_strName;
                    if (!workbook && name.Left(4) == "MSys") continue;
                    stored.Add(name);
                    if (workbook && name.GetLength() > 0 && name[name.GetLength() - 1] == '$')
                        name = name.Left(name.GetLength() - 1);
                    shown.Add(name);
                }
                CTableChoiceRules dialog(shown);
                if (TBGetDialogHub().DoModal(dialog) != IDOK) {
                    LastErrorNumber = TB_EXCHANGE_CANCELLED;
                    return 0;
                }
                if (dialog.GetSelected() >= 0) TableName = stored[dialog.GetSelected()];
            }
        }
        CDaoTableDef table(&database);
        if (!table.Open(TableName)) {
            SetError(TBFormatMessage(TBMsg::OpenTableFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
            AddReason(*this, table.GetLastErrorText());
            return 0;
        }
        CDaoRecordset records(&database);
        if (!records.Open(&table, dbOpenTable, 0)) {
            SetError(TBFormatMessage(TBMsg::OpenDatabaseFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
            AddReason(*this, records.GetLastErrorText());
            return 0;
        }
        DeleteAllChannels();
        NrChannels = table.GetFieldCount();
        NrItems = static_cast<int>(records.GetRecordCount());
        if (NrItems == 0) AddWarning(TBFormatMessage(TBMsg::NoRows, {FileName}));
        for (int i = 0; i < NrChannels; ++i) {
            CDaoFieldInfo field;
            table.GetFieldInfo(i, field);
            CString name, unit;
            SplitFieldName(field.m_strName, name, unit);
            auto* channel = new CExImPortChannel;
            channel->SetChannelName(name);
            channel->SetUnitName(unit);
            ReplaceChannelSlot(i, channel);
        }
        records.Close();
        table.Close();
        // Kept open for the data read when the file did not change while it was read.
        if (SameFile(identity, IdentityOf(FileName))) {
            kept->fileName = FileName;
            kept->connect = ConnectTitle;
            kept->identity = identity;
            KeptDatabase(*this) = std::move(kept);
        } else {
            database.Close();
        }
    } catch (const std::bad_alloc&) {
        SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    return 1;
}

namespace {

int ReadDataWithCodes(CReadAndWriteFileFunction& engine, const char* connect, int biffVersion) {
    SetExcelCodes(engine, connect, biffVersion);
    if (engine.TableName.IsEmpty()) engine.TableName = SplitPath(engine.FileName).title;
    return engine.ReadDataDaoFile();
}

}  // namespace

int CReadAndWriteFileFunction::ReadDataExcel30File() { return ReadDataWithCodes(*this, "Excel 3.0;", 3); }
int CReadAndWriteFileFunction::ReadDataExcel40File() { return ReadDataWithCodes(*this, "Excel 4.0;", 4); }
int CReadAndWriteFileFunction::ReadDataExcel50_95File() { return ReadDataWithCodes(*this, "Excel 5.0;", 5); }
int CReadAndWriteFileFunction::ReadDataExcel97File() { return ReadDataWithCodes(*this, kDefaultConnect, 8); }

int CReadAndWriteFileFunction::ReadDataExcelFile() {
    if (ConnectTitle.IsEmpty()) {
        ConnectTitle = kDefaultConnect;
        AddWarning(TBFormatMessage(TBMsg::InvalidFileTypePointer, {FileName}));
    }
    tb_exchange::RecordFamily(*this, TB_KIND_XLS);
    if (TableName.IsEmpty()) TableName = SplitPath(FileName).title;
    return ReadDataDaoFile();
}

int CReadAndWriteFileFunction::ReadDataDaoFile() {
    for (int i = 0; i < NrChannels; ++i)
        if (!GetChannel(i)) AddWarning(TBFormatMessage(TBMsg::ChannelNotRead, {FileName, i + 1}));
    try {
        // The database the info read opened, when it is of this same, unchanged file
        // and no copy of the engine shares it; this read gives it up either way.
        std::shared_ptr<TableReadCache> kept = std::move(KeptDatabase(*this));
        const bool reuse = kept && kept.use_count() == 1 && kept->fileName == FileName &&
                           kept->connect == ConnectTitle && SameFile(kept->identity, IdentityOf(FileName));
        CDaoDatabase fresh;
        CDaoDatabase& database = reuse ? kept->database : fresh;
        CDaoTableDef table(&database);
        CDaoRecordset records(&database);
        if ((!reuse && !database.Open(FileName, FALSE, TRUE, ConnectTitle)) || !table.Open(TableName) ||
            !records.Open(&table, dbOpenTable, 0)) {
            SetError(TBFormatMessage(TBMsg::OpenDatabaseFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
            CString reason = database.GetLastErrorText();
            if (reason.IsEmpty()) reason = table.GetLastErrorText();
            if (reason.IsEmpty()) reason = records.GetLastErrorText();
            AddReason(*this, reason);
            return 0;
        }
        const int fields = table.GetFieldCount();
        const int used = fields < NrChannels ? fields : NrChannels;
        // Channels that all keep numbers take whole fields straight from the file.
        if (std::vector<double*> targets; NumberTargets(*this, used, records.GetRecordCount(), targets)) {
            if (records.GetNumberColumns(targets.data(), used, NrItems > 0 ? NrItems : 0) < 0) {
                SetError(TBFormatMessage(TBMsg::OpenDatabaseFailed, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
                AddReason(*this, records.GetLastErrorText());
                return 0;
            }
            return 1;
        }
        int r = 0;
        for (records.MoveFirst(); !records.IsEOF() && r < NrItems; records.MoveNext(), ++r) {
            for (int i = 0; i < used; ++i) {
                const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(GetChannel(i));
                if (s.kind == tb_exchange::ChannelStorage::Missing) continue;
                COleVariant value = records.GetFieldValue(i);
                switch (s.kind) {
                    case tb_exchange::ChannelStorage::Block: s.block[r] = VariantNumber(value); break;
                    case tb_exchange::ChannelStorage::Doubles: s.doubles->SetAtGrow(r, VariantNumber(value)); break;
                    case tb_exchange::ChannelStorage::Strings: s.strings->SetAtGrow(r, VariantText(value)); break;
                    case tb_exchange::ChannelStorage::Variants: s.variants->SetAtGrow(r, value); break;
                    default:
                        SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, i + 1}),
                                 TB_EXCHANGE_DATA_ERROR);
                        return 0;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- entries of the format table

namespace tb_exchange {

namespace {

// A sheet named with an .xls name loses the '$' of a table reference ("Sheet1$").
int WriteWorkbook(CReadAndWriteFileFunction& engine, const WriteRequest& request,
                  int (CReadAndWriteFileFunction::*writer)(CString, CString)) {
    CString table = request.tableName;
    if (request.byExtension) table.Remove('$');
    return (engine.*writer)(request.name, table);
}

}  // namespace

int ReadWorkbookInfo(CReadAndWriteFileFunction& engine, const ReadRequest& request, ReadOutcome&) {
    return engine.ReadInfoExcel97File(request.fileName, request.tableName);
}
int ReadWorkbookData(CReadAndWriteFileFunction& engine) { return engine.ReadDataDaoFile(); }
int WriteExcel3(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteWorkbook(engine, request, &CReadAndWriteFileFunction::WriteExcel30File);
}
int WriteExcel4(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteWorkbook(engine, request, &CReadAndWriteFileFunction::WriteExcel40File);
}
int WriteExcel5(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteWorkbook(engine, request, &CReadAndWriteFileFunction::WriteExcel50_95File);
}
int WriteExcel97(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteWorkbook(engine, request, &CReadAndWriteFileFunction::WriteExcel97File);
}

}  // namespace tb_exchange
