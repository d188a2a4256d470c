// tbx info and tbx convert end to end on the shipped example and on bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TbxRun {
    std::string output;
    int status;
};

TbxRun Shell(const std::string& command) {
    TbxRun result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TbxRun Tbx(const std::string& arguments) { return Shell(std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1"); }

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The repository root: the test data folder is tests/data below it.
std::string RepositoryRoot() {
    std::string data = TOOLBOX_TEST_DATA;
    return data.substr(0, data.rfind("/tests/data"));
}

class TbxExchange : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tbx-convert-test-XXXXXX";
        dir = mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string dir;
    const std::string example = RepositoryRoot() + "/examples/rc_step.csv";
};

}  // namespace

TEST_F(TbxExchange, InfoShowsFormatSymbolsChannelsAndItems) {
    TbxRun r = Tbx("info " + example);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Format:    CSV (family 5, format code 12)"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Separator: \";\"  Decimal symbol: \",\""), std::string::npos);
    EXPECT_NE(r.output.find("Items:     51"), std::string::npos);
    EXPECT_NE(r.output.find("Channels:  4"), std::string::npos);
    EXPECT_NE(r.output.find("   3  Vout  [V]"), std::string::npos);
}

TEST_F(TbxExchange, ConvertRoundTripsTheShippedExample) {
    ASSERT_EQ(Tbx("convert " + example + " " + dir + "/rc.txt --out-separator tab --out-decimal .").status, 0);
    std::string text = Slurp(dir + "/rc.txt");
    EXPECT_EQ(text.substr(0, 37), "\"time(s)\"\t\"Vin(V)\"\t\"Vout(V)\"\t\"I(A)\"\r\n");
    TbxRun info = Tbx("info " + dir + "/rc.txt");
    EXPECT_NE(info.output.find("Separator: \"\\t\"  Decimal symbol: \".\""), std::string::npos) << info.output;
    ASSERT_EQ(Tbx("convert " + dir + "/rc.txt " + dir + "/back.csv --out-separator ';' --out-decimal ,").status, 0);
    EXPECT_EQ(Slurp(dir + "/back.csv"), Slurp(example));
    // By format code: the extension is appended; no staging files are left behind.
    ASSERT_EQ(Tbx("convert " + example + " " + dir + "/plain --format 12").status, 0);
    EXPECT_EQ(Slurp(dir + "/plain.csv"), Slurp(example));
    TbxRun listing = Shell("ls -A " + dir);
    EXPECT_EQ(listing.output.find(".tbx-convert"), std::string::npos) << listing.output;
}

TEST_F(TbxExchange, FailedConversionsLeaveNoOutputAndExplain) {
    std::ofstream(dir + "/bad.mdx", std::ios::binary) << "typ:=A\r\nlen:=2\r\nend:=\r\n1;\r\n2;";
    TbxRun r = Tbx("convert " + dir + "/bad.mdx " + dir + "/out.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("DIM statement"), std::string::npos) << r.output;
    EXPECT_NE(access((dir + "/out.csv").c_str(), F_OK), 0);
    r = Tbx("convert " + dir + "/missing.csv " + dir + "/out.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("couldn't be opened"), std::string::npos) << r.output;
    r = Tbx("info " + dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("is a directory"), std::string::npos);
    std::ofstream(dir + "/bin.csv", std::ios::binary) << std::string(
        "\x7f"
        "ELF\x02\x01\x01\0\0",
        9);
    r = Tbx("info " + dir + "/bin.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a text file"), std::string::npos);
    EXPECT_EQ(Tbx("convert onlyone").status, 2);
    EXPECT_EQ(Tbx("convert a b --format 99").status, 2);
    EXPECT_EQ(Tbx("info a --bogus").status, 2);
    // Nothing but the inputs the test made is left in the directory.
    r = Shell("ls -A " + dir);
    EXPECT_EQ(r.output.find(".tbx-convert"), std::string::npos) << r.output;
}

TEST_F(TbxExchange, PandasReadsTheWrittenCsv) {
    if (system("/usr/bin/python3 -c 'import pandas' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3-pandas missing";
    ASSERT_EQ(Tbx("convert " + example + " " + dir + "/p.csv --out-separator , --out-decimal .").status, 0);
    std::string script = "import pandas; f = pandas.read_csv('" + dir +
                         "/p.csv'); print(list(f.columns), len(f), repr(f['Vout(V)'][1]))";
    FILE* pipe = popen(("/usr/bin/python3 -c \"" + script + "\"").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512] = {};
    size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
    pclose(pipe);
    EXPECT_EQ(std::string(buffer, n), "['time(s)', 'Vin(V)', 'Vout(V)', 'I(A)'] 51 0.0951625819640405\n");
}

TEST_F(TbxExchange, AccessDatabasesInBothDirections) {
    const std::string mdb = dir + "/rc.mdb";
    TbxRun r = Tbx("convert " + example + " " + mdb);
    ASSERT_EQ(r.status, 0) << r.output;
    r = Tbx("info " + mdb);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Format:    Microsoft Access (.mdb) (family 2, format code 10)"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Table:     Data"), std::string::npos);
    EXPECT_NE(r.output.find("Items:     51"), std::string::npos);
    EXPECT_NE(r.output.find("   3  Vout  [V]"), std::string::npos);
    if (Shell("command -v mdb-export >/dev/null 2>&1; echo $?").output == "0\n") {
        const std::string csv = Shell("mdb-export -d ';' '" + mdb + "' Data").output;
        EXPECT_EQ(csv.substr(0, 25), "time(s);Vin(V);Vout(V);I(");
    }
    // Back to the example's own symbols: byte for byte the shipped file.
    ASSERT_EQ(Tbx("convert " + mdb + " " + dir + "/back.csv --out-separator ';' --out-decimal ,").status, 0);
    EXPECT_EQ(Slurp(dir + "/back.csv"), Slurp(example));
    EXPECT_EQ(Tbx("info " + mdb + " --table Data").status, 0);
    r = Tbx("info " + mdb + " --table Nowhere");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Please control your table name"), std::string::npos) << r.output;
    // A cut database is refused with the database message, and nothing is written.
    const std::string whole = Slurp(mdb);
    std::ofstream(dir + "/cut.mdb", std::ios::binary) << whole.substr(0, whole.size() - 1000);
    r = Tbx("convert " + dir + "/cut.mdb " + dir + "/cut.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Error if opening the database >>"), std::string::npos) << r.output;
    EXPECT_NE(access((dir + "/cut.csv").c_str(), F_OK), 0);
}
