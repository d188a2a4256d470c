// Writing channels to a data file and reading them back in two steps.
#include <toolbox/toolbox.h>

#include <cstdio>

int main() {
    const char* file = "/tmp/guide_data_files.csv";

    // Writing: counts first, then one channel per column; the extension picks the writer.
    double time[4] = {0.0, 1e-3, 2e-3, 3e-3};
    double voltage[4] = {0.0, 0.63, 0.86, 0.95};
    CReadAndWriteFiles writer;
    writer.SetNrChannels(2);
    writer.SetNrItems(4);
    writer.InsertChannel(0, time, "time", "s");
    writer.InsertChannel(1, voltage, "Vout", "V");
    if (!writer.WriteFile(file, "", -1, ";", ".", 0, 0)) {
        std::fprintf(stderr, "%s\n", writer.GetLastError().GetString());
        return 1;
    }

    // Reading, step one: names, units and counts.
    CReadAndWriteFiles reader;
    if (!reader.ReadInfoFile(file, "", -1, ";", ".", 0, 0, 0)) {
        std::fprintf(stderr, "%s\n", reader.GetLastError().GetString());
        return 1;
    }
    // Step two: the host attaches storage it owns, then the values arrive.
    CArray<double, double> values[2];
    for (int i = 0; i < reader.GetNrChannels() && i < 2; ++i) reader.GetChannel(i)->SetDoubleArray(&values[i]);
    const int result = reader.ReadDataFile();  // 1 success, 2 success with warnings, 0 failure
    if (!result) return 1;
    for (int i = 0; i < reader.GetNrChannels() && i < 2; ++i)
        std::printf("%s [%s]: %d values\n", reader.GetChannel(i)->GetChannelName().GetString(),
                    reader.GetChannel(i)->GetUnitName().GetString(), static_cast<int>(values[i].GetSize()));
    std::remove(file);
    return values[1].GetSize() == 4 && values[1][3] == 0.95 ? 0 : 1;
}
