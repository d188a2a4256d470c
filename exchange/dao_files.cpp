// The database path of the exchange engine, shared by Excel workbooks and Access
// databases: channels written as the fields of a new table (one record per item) and
// a table's fields read back as channels, through the table layer (exchange/dao.h).
#include "exchange/engine.h"

#include "exchange/dao.h"
#include "exchange/table_dialog.h"
#include "platform/os/dialog_hub.h"
#include "resources/string_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

CString FileTitle(const CString& fileName) {
    CString title = fileName.Mid(fileName.ReverseFind('/') + 1);
    const int dot = title.ReverseFind('.');
    return dot > 0 ? title.Left(dot) : title;
}

CString Extension(const CString& fileName) {
    const int slash = fileName.ReverseFind('/');
    const int dot = fileName.ReverseFind('.');
    return dot > slash ? fileName.Mid(dot) : CString();
}

// A new name in the system's temporary directory: prefix "Dao", the extension given.
CString TemporaryName(const CString& extension) {
    const char* dir = std::getenv("TMPDIR");
    std::string base = dir && *dir ? dir : "/tmp";
    static unsigned counter = 0;
    char name[64];
    std::snprintf(name, sizeof name, "/Dao%ld_%u", static_cast<long>(getpid()), counter++);
    return CString(base + name) + extension;
}

bool CopyFileOver(const CString& from, const CString& to) {
    std::ifstream in(from.GetString(), std::ios::binary);
    if (!in) return false;
    const std::string partial = std::string(to.GetString()) + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << in.rdbuf();
        if (!out.flush()) {
            std::remove(partial.c_str());
            return false;
        }
    }
    if (std::rename(partial.c_str(), to.GetString()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

// "name(unit)" splits into name and unit; any other field name is the channel name.
void SplitFieldName(const CString& field, CString& name, CString& unit) {
    const int open = field.ReverseFind('(');
    if (field.GetLength() > 1 && field[field.GetLength() - 1] == ')' && open >= 0) {
        name = field.Left(open);
        unit = field.Mid(open + 1, field.GetLength() - open - 2);
    } else {
        name = field;
        unit.Empty();
    }
}

// A cell as a number for double stores: numbers keep every bit, dates their day
// number, booleans -1/0, texts read as numbers, anything else 0.
double NumberOf(const COleVariant& v) {
    switch (v.vt) {
    case VT_R8: case VT_DATE: return v.dblVal;
    case VT_R4: return v.fltVal;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_UI1: return v.bVal;
    case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
    case VT_CY: return static_cast<double>(v.cyVal.int64) / 10000.0;
    case VT_BSTR: return std::strtod(v.GetText().GetString(), nullptr);
    default: return 0.0;
    }
}

// A cell as text for string stores.
CString TextOf(const COleVariant& v) {
    char buffer[64];
    switch (v.vt) {
    case VT_BSTR: return v.GetText();
    case VT_R8: case VT_DATE: std::snprintf(buffer, sizeof buffer, "%.15g", v.dblVal); return buffer;
    case VT_R4: std::snprintf(buffer, sizeof buffer, "%.15g", static_cast<double>(v.fltVal)); return buffer;
    case VT_I2: std::snprintf(buffer, sizeof buffer, "%i", v.iVal); return buffer;
    case VT_I4: std::snprintf(buffer, sizeof buffer, "%.15g", static_cast<double>(v.lVal)); return buffer;
    case VT_UI1: std::snprintf(buffer, sizeof buffer, "%i", v.bVal); return buffer;
    case VT_BOOL: std::snprintf(buffer, sizeof buffer, "%i", static_cast<int>(v.boolVal)); return buffer;
    case VT_CY: std::snprintf(buffer, sizeof buffer, "%.15g", static_cast<double>(v.cyVal.int64) / 10000.0); return buffer;
    default: return "";
    }
}

} // namespace

int CReadAndWriteFileFunction::WriteDaoFile() {
    for (int i = 0; i < NrChannels; ++i) {
        if (!GetChannel(i)) AddWarning(TBFormatMessage(54, {FileName, i}));
    }
    const CString temporary = TemporaryName(Extension(FileName));
    std::remove(temporary.GetString());
    auto fail = [&](const CString& text, int number) {
        SetError(text, number);
        std::remove(temporary.GetString());
        return 0;
    };
    {
        CDaoDatabase db;
        const int opened = ConnectTitle.IsEmpty() ? db.Create(temporary, dbLangGeneral, dbVersion30)
                                                  : db.Open(temporary, FALSE, FALSE, ConnectTitle);
        if (!opened) return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        CDaoTableDef def(&db);
        if (!def.Create(TableName)) return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        for (int i = 0; i < NrChannels; ++i) {
            CExImPortChannel* c = GetChannel(i);
            if (!c) {
                db.Close();
                return fail(TBFormatMessage(12, {FileName}), 0);
            }
            CString name = c->GetChannelName();
            if (name.IsEmpty()) {
                name.Format("Ch%i", i + 1);
                AddWarning(TBFormatMessage(50, {FileName}));
            }
            if (!c->GetUnitName().IsEmpty()) name += "(" + c->GetUnitName() + ")";
            short type = dbDouble;
            if (!c->GetDoublePtr() && !(c->GetDoubleArray() && c->GetDoubleArray()->GetSize() > 0) &&
                !(c->GetStringArray() && c->GetStringArray()->GetSize() > 0) && c->GetVariantArray() &&
                c->GetVariantArray()->GetSize() > 0 && (*c->GetVariantArray())[0].vt == VT_BSTR)
                type = dbText;
            if (!def.CreateField(name, type, 20, dbVariableField | dbUpdatableField)) {
                const int code = def.GetLastErrorCode();
                db.Close();
                if (code == TB_DAO_E_DUPLICATE) return fail(TBFormatMessage(27, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
                if (code == TB_DAO_E_NAME) return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
                return fail(TBFormatMessage(11, {FileName}), TB_EXCHANGE_FILE_ERROR);
            }
        }
        if (!def.Append()) {
            db.Close();
            return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        }
        CDaoRecordset rs(&db);
        if (!rs.Open(&def, dbOpenTable, 0)) {
            db.Close();
            return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        }
        for (int k = 0; k < NrItems; ++k) {
            rs.AddNew();
            for (int i = 0; i < NrChannels; ++i) {
                CExImPortChannel* c = GetChannel(i);
                int ok = 1;
                if (double* p = c->GetDoublePtr()) ok = rs.SetFieldValue(i, COleVariant(LimitExportValue(p[k])));
                else if (c->GetDoubleArray() && k < c->GetDoubleArray()->GetSize())
                    ok = rs.SetFieldValue(i, COleVariant(LimitExportValue((*c->GetDoubleArray())[k])));
                else if (c->GetStringArray() && k < c->GetStringArray()->GetSize())
                    ok = rs.SetFieldValue(i, COleVariant((*c->GetStringArray())[k]));
                else if (c->GetVariantArray() && k < c->GetVariantArray()->GetSize())
                    ok = rs.SetFieldValue(i, (*c->GetVariantArray())[k]);
                else {
                    db.Close();
                    return fail(TBFormatMessage(17, {FileName, i + 1}), TB_EXCHANGE_DATA_ERROR);
                }
                if (!ok) {
                    db.Close();
                    return fail(TBFormatMessage(1, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
                }
            }
            if (!rs.Update()) {
                const int code = rs.GetLastErrorCode();
                db.Close();
                return fail(code == TB_DAO_E_MEMORY ? TBLoadString(2) : TBFormatMessage(1, {FileName}),
                            code == TB_DAO_E_MEMORY ? TB_EXCHANGE_DATA_ERROR : TB_EXCHANGE_DATABASE_ERROR);
            }
        }
        rs.Close();
        def.Close();
        if (!db.Close()) {
            const int code = db.GetLastErrorCode();
            return fail(code == TB_DAO_E_MEMORY ? TBLoadString(2) : TBFormatMessage(1, {FileName}),
                        code == TB_DAO_E_MEMORY ? TB_EXCHANGE_DATA_ERROR : TB_EXCHANGE_DATABASE_ERROR);
        }
    }
    if (!CopyFileOver(temporary, FileName)) return fail(TBFormatMessage(26, {FileName}), TB_EXCHANGE_FILE_ERROR);
    std::remove(temporary.GetString());
    return 1;
}

int CReadAndWriteFileFunction::ReadInfoDaoDataFile() {
    CDaoDatabase db;
    if (!db.Open(FileName, FALSE, TRUE, ConnectTitle)) {
        SetError(TBFormatMessage(19, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        return 0;
    }
    const bool workbook = Extension(FileName).CompareNoCase(".xls") == 0;
    if (workbook) {
        const CString version = db.GetVersion();
        if (version == "3.0") SaveVersion = 6;
        else if (version == "4.0") SaveVersion = 7;
        else if (version == "5.0") SaveVersion = 8;
        else if (version == "8.0") SaveVersion = 9;
    }
    if (TableName.IsEmpty()) {
        if (WithDialog != 1) {
            TableName = FileTitle(FileName);
        } else {
            // Workbook tables show without their trailing "$"; the engine's own tables
            // of an Access database are not offered.
            CStringArray shown, stored;
            for (int i = 0; i < db.GetTableDefCount(); ++i) {
                CDaoTableDefInfo info;
                if (!db.GetTableDefInfo(i, info)) continue;
                CString name = info.m_strName;
                if (workbook) {
                    if (name.GetLength() > 0 && name[name.GetLength() - 1] == '$') name = name.Left(name.GetLength() - 1);
                } else if (name.Left(4) == "MSys") {
                    continue;
                }
                shown.Add(name);
                stored.Add(info.m_strName);
            }
            CTableDialogRules dialog(shown);
            if (shown.GetSize() == 0 || TBGetDialogHub().DoModal(dialog) != IDOK) {
                LastErrorNumber = TB_EXCHANGE_CANCELLED;
                return 0;
            }
            if (dialog.Selected < 0 || dialog.Selected >= stored.GetSize()) dialog.Selected = 0;
            TableName = stored[dialog.Selected];
        }
    }
    CDaoTableDef def(&db);
    if (!def.Open(TableName)) {
        SetError(TBFormatMessage(def.GetLastErrorCode() == TB_DAO_E_NOT_FOUND ? 20 : 19, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        return 0;
    }
    CDaoRecordset rs(&db);
    if (!rs.Open(&def, dbOpenTable, 0)) {
        SetError(TBFormatMessage(19, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        return 0;
    }
    NrChannels = def.GetFieldCount();
    NrItems = static_cast<int>(rs.GetRecordCount());
    if (NrItems == 0) AddWarning(TBFormatMessage(58, {FileName}));
    DeleteAllChannels();
    for (int i = 0; i < NrChannels; ++i) {
        CDaoFieldInfo info;
        def.GetFieldInfo(i, info);
        CString name, unit;
        SplitFieldName(info.m_strName, name, unit);
        auto* channel = new CExImPortChannel;
        channel->SetChannelName(name);
        channel->SetUnitName(unit);
        ReplaceChannelSlot(i, channel);
    }
    return 1;
}

int CReadAndWriteFileFunction::ReadDataDaoFile() {
    for (int i = 0; i < NrChannels; ++i) {
        if (!GetChannel(i)) AddWarning(TBFormatMessage(55, {FileName, i}));
    }
    CDaoDatabase db;
    CDaoTableDef def(&db);
    CDaoRecordset rs(&db);
    if (!db.Open(FileName, FALSE, TRUE, ConnectTitle) || !def.Open(TableName) || !rs.Open(&def, dbOpenTable, 0)) {
        SetError(TBFormatMessage(19, {FileName}), TB_EXCHANGE_DATABASE_ERROR);
        return 0;
    }
    const int fields = std::min<int>(NrChannels, rs.GetFieldCount());
    for (int k = 0; !rs.IsEOF() && k < NrItems; ++k, rs.MoveNext()) {
        for (int i = 0; i < fields; ++i) {
            CExImPortChannel* c = GetChannel(i);
            if (!c) continue;
            const COleVariant value = rs.GetFieldValue(i);
            if (double* p = c->GetDoublePtr()) p[k] = NumberOf(value);
            else if (CArray<double, double>* a = c->GetDoubleArray()) a->SetAtGrow(k, NumberOf(value));
            else if (CStringArray* s = c->GetStringArray()) s->SetAtGrow(k, TextOf(value));
            else if (CArray<COleVariant, COleVariant>* v = c->GetVariantArray()) v->SetAtGrow(k, value);
            else {
                SetError(TBFormatMessage(17, {FileName, i + 1}), TB_EXCHANGE_DATA_ERROR);
                return 0;
            }
        }
    }
    return 1;
}
