// A host program that includes only the umbrella header and touches one class or
// function of every family of the core. CI builds it against an installed library
// (CMake package and pkg-config); the tests build it against the build tree.
#include <toolbox/toolbox.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "host: %s failed\n", what);
        ++failures;
    }
}

// Writes two channels to a CSV file and reads them back through the facade.
void ExchangeRoundTrip(const std::string& dir) {
    CString file = (dir + "/host.csv").c_str();
    double time[3] = {0.0, 0.5, 1.0};
    double volts[3] = {0.0, 2.5, 5.0};
    CReadAndWriteFiles writer;
    writer.SetNrChannels(2);
    writer.SetNrItems(3);
    writer.InsertChannel(0, time, "t", "s");
    writer.InsertChannel(1, volts, "u", "V");
    Check(writer.WriteFile(file, "", -1, ";", ",", 0, 0) != 0, "WriteFile");

    CReadAndWriteFiles reader;
    Check(reader.ReadInfoFile(file, "", -1, ";", ",", 0, 0, 0) != 0, "ReadInfoFile");
    Check(reader.GetNrChannels() == 2 && reader.GetNrItems() == 3, "channel and item counts");
    // The host owns the value storage it attaches to each channel.
    CArray<double, double> values[2];
    for (int i = 0; i < 2; ++i)
        if (CExImPortChannel* channel = reader.GetChannel(i)) channel->SetDoubleArray(&values[i]);
    Check(reader.ReadDataFile() != 0 && values[1].GetSize() == 3 && values[1][2] == 5.0, "ReadDataFile");
}

}  // namespace

int main() {
    char dirTemplate[] = "/tmp/toolbox-host.XXXXXX";
    std::string dir = mkdtemp(dirTemplate) ? dirTemplate : "/tmp";

    // Numbers and types.
    CString text = TBExtended_ftoa(0.0047, -1, 1, ",");
    Check(TBExtended_atof(text, ",") == 0.0047, "engineering numbers");
    std::printf("%s= %g\n", text.GetString(), TBExtended_atof(text, ","));

    // Data exchange and the clipboard facade.
    ExchangeRoundTrip(dir);
    CReadAndWriteClipboard clipboard;
    Check(clipboard.GetNrChannels() == 0, "clipboard facade");

    // Units and materials from the catalogues beside the library.
    CString kelvin;
    Check(TBConvertUnits("Temperature", "mK", "1500", "K", kelvin) != 0, "unit conversion");
    CTBMaterial* copper = nullptr;
    TBGetMaterialData("Copper", copper);
    std::printf("1500 mK = %s K; copper %s\n", kelvin.GetString(), copper ? "found" : "not in the catalogue");

    // Services: profile cache, XXencode, random values, string table.
    std::string ini = dir + "/host.ini";
    WritePrivateIntValue("Host", "Runs", 1, ini.c_str());
    Check(GetPrivateIntValue("Host", "Runs", 0, ini.c_str(), 0) == 1, "profile cache");
    CloseAllPrivateFiles(1);
    CTBXXCode xx;
    unsigned char bytes[3] = {'a', 'b', 'c'};
    Check(!xx.xxe_Encode(bytes, 3).IsEmpty(), "XXencode");
    CTBRnd random;
    double r = random.GetUniformRndValue(1.0, 2.0);
    Check(r >= 1.0 && r <= 2.0, "uniform random value");
    Check(!TBLoadString(TBMsg::NoFileName).IsEmpty(), "string table");

    // Zip archives, crash report names and the mail message.
    CZipArchive zip;
    Check(zip.Open((dir + "/host.zip").c_str()) && zip.AddNewFile(ini.c_str(), "host.ini") && zip.Close(),
          "zip archive");
    Check(TBExceptionName(0xC0000005) != "", "exception names");
    Check(TBBase64Encode(bytes, 3) == "YWJj", "mail encoding");

    std::system(("rm -rf " + dir).c_str());
    return failures == 0 ? 0 : 1;
}
