// Every writer of the engine over the files of an earlier write, on a disk that fills up
// part way: the write fails with what happened, the old files stay byte for byte and no
// staged file is left behind.
#include <toolbox/exchange/read_and_write_files.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/full_disk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tbtest;

namespace {

struct WriterCase {
    const char* format;
    int code;
    const char* target;              // the name handed to WriteFile
    std::vector<std::string> files;  // every file the format writes
    int largeItems;                  // rows that do not fit in 1 MB
    bool header = false;             // free text lines (a COMTRADE .hdr file)
};

// Two channels of rows rows (time and a ramp) written as a host does, through the facade.
WriteOutcome WriteRows(const WriterCase& c, const std::string& dir, int rows) {
    std::vector<double> time(static_cast<size_t>(rows)), ramp(static_cast<size_t>(rows));
    for (int k = 0; k < rows; ++k) {
        time[static_cast<size_t>(k)] = k * 1e-3;
        ramp[static_cast<size_t>(k)] = k * 0.37 - 11.0;
    }
    CReadAndWriteFiles files;
    SetChannels(files, rows, {{time.data(), "t", "s"}, {ramp.data(), "U", "V"}});
    CStringArray header = TextsOf({"bay 4", rows > 1000 ? "second record" : "first record"});
    if (c.header) files.SetEditionalStringArray(&header);
    const std::string path = dir + "/" + c.target;
    const int result = files.WriteFile(path.c_str(), "", c.code, nullptr, nullptr, 0, 0);
    return {result, files.GetLastError().GetString()};
}

}  // namespace

TEST(FailedWrite, EveryWriterKeepsTheOldFiles) {
    const std::vector<WriterCase> cases = {
        {"CSV", 12, "t.csv", {"t.csv"}, 200000},
        {"delimited text", 11, "t.txt", {"t.txt"}, 200000},
        {"characteristic text .mdx", 0, "c.mdx", {"c.mdx"}, 200000},
        {"characteristic 8-byte .mdx", 2, "c.mdx", {"c.mdx"}, 200000},
        {"characteristic text .mdk/.mda", 3, "c.mdk", {"c.mdk", "c.mda"}, 200000},
        {"characteristic 4-byte .mdk/.mda", 4, "c.mdk", {"c.mdk", "c.mda"}, 200000},
        {"COMTRADE ASCII with header", 13, "r.cfg", {"r.cfg", "r.dat", "r.hdr"}, 200000, true},
        {"COMTRADE binary", 14, "r.cfg", {"r.cfg", "r.dat"}, 200000},
        {"Excel 97", 9, "w.xls", {"w.xls"}, 60000},
        {"Access", 10, "a.mdb", {"a.mdb"}, 200000},
    };
    for (const WriterCase& c : cases) {
        SCOPED_TRACE(c.format);
        ExpectFailedWriteKeepsFiles(
            c.files, [&](const std::string& dir, bool large) { return WriteRows(c, dir, large ? c.largeItems : 20); });
    }
}
