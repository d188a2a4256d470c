// Access databases from arbitrary bytes: the structural checks of CJetFile over the
// catalogue and every table, then (for files that pass) the whole read through the
// table layer and libmdb, which must neither crash nor hang.
//
// An input that carries the database signature is taken as a whole file; any other
// input is a list of 3-byte patches (offset high, offset low, value) over a small
// valid database made at start-up, so that mutations reach the deep structures fast.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/jet/jet4_writer.h"
#include "exchange/tables/jet/jet_file.h"
#include "exchange_fuzz.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

bool CheckEverything(const std::string& bytes) {
    CJetFile file;
    if (!file.Load(bytes)) return false;
    std::vector<CJetCatalogEntry> tables;
    if (!file.ReadCatalog(tables)) return false;
    bool all = true;
    for (const CJetCatalogEntry& t : tables) {
        CJetTableDefinition def;
        std::uint32_t rows = 0;
        if (!file.ReadDefinition(t.definitionPage, def)) {
            all = false;
            continue;
        }
        const bool checked = file.CheckRows(def, rows);
        if (!checked) all = false;
        // The walk that decodes numbers in place checks as the plain walk does.
        std::vector<std::vector<double>> columns(def.columns.size());
        std::vector<double*> targets(def.columns.size(), nullptr);
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
            if (TBJetValueRoute(def.columns[c]) != JetValueRoute::Raw) continue;
            columns[c].resize(rows);
            targets[c] = columns[c].data();
        }
        std::uint32_t decoded = 0;
        if (file.ReadNumbers(def, targets, rows, decoded) != checked || (checked && decoded != rows)) __builtin_trap();
    }
    return all;
}

void ReadThroughTableLayer(const std::string& bytes) {
    static const std::string path = exchange_fuzz::ScratchFile("jet_file", ".mdb");
    if (!exchange_fuzz::WriteFile(path, bytes.data(), bytes.size())) return;
    CDaoDatabase db;
    if (db.Open(path.c_str(), FALSE, TRUE, "") == 1) {
        for (int i = 0; i < db.GetTableDefCount(); ++i) {
            CDaoTableDefInfo info;
            db.GetTableDefInfo(i, info);
            CDaoTableDef def(&db);
            if (def.Open(info.m_strName) != 1) continue;
            CDaoRecordset rs(&db);
            if (rs.Open(&def, dbOpenTable, 0) != 1) continue;
            const long count = rs.GetRecordCount();
            std::vector<std::vector<double>> columns(static_cast<std::size_t>(rs.GetFieldCount()),
                                                     std::vector<double>(static_cast<std::size_t>(count)));
            std::vector<double*> values;
            for (std::vector<double>& c : columns) values.push_back(c.data());
            rs.GetNumberColumns(values.data(), static_cast<int>(values.size()), count);
            for (; !rs.IsEOF(); rs.MoveNext())
                for (int c = 0; c < rs.GetFieldCount(); ++c) rs.GetFieldValue(c);
        }
    }
}

std::string g_seed;

std::string MakeSeed() {
    const std::string path = exchange_fuzz::ScratchFile("jet_seed", ".mdb");
    CJet4Writer w;
    if (!w.Open(path, "Data", {{"U(V)", CJet4Field::Double, 20}, {"Note", CJet4Field::Text, 20}})) return std::string();
    for (int r = 0; r < 120; ++r) {
        w.SetDouble(0, r * 0.5);
        if (r % 3) w.SetText(1, r % 2 ? "text \xCE\xA9" : "plain");
        w.AddRecord();
    }
    w.Close();
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_seed = MakeSeed();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes;
    if (size >= 19 && std::string(reinterpret_cast<const char*>(data) + 4, 15) == "Standard Jet DB") {
        bytes.assign(reinterpret_cast<const char*>(data), size);
    } else {
        bytes = g_seed;
        if (bytes.empty()) return 0;
        // Offsets reach the first 16 pages, where the catalogue, maps and definitions lie,
        // scaled over the whole file when the high bit is set.
        for (std::size_t i = 0; i + 3 <= size; i += 3) {
            std::size_t offset =
                (static_cast<std::size_t>(data[i] & 0x7F) << 9) | (static_cast<std::size_t>(data[i + 1]) << 1);
            if (data[i] & 0x80) offset = offset * 7 + data[i + 2];
            offset %= bytes.size();
            bytes[offset] = static_cast<char>(data[i + 2]);
        }
        if (size % 3 == 1) bytes.resize(bytes.size() - (data[size - 1] + 1) * 16 % bytes.size());
    }
    if (CheckEverything(bytes)) ReadThroughTableLayer(bytes);
    return 0;
}
