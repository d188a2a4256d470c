// tbx info and tbx convert: data files through the exchange engine, as a host uses it.
#include <algorithm>
#include <toolbox/exchange/format_list.h>
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/exchange/text_symbols.h>
#include <toolbox/exchange/table_choice.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/file_io.h>
#include <toolbox/os/locale_info.h>
#include <toolbox/os/output_file.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include "commands.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char kInfoUsage[] =
    "usage: tbx info FILE [--separator S] [--decimal D] [--table NAME]\n"
    "Prints the format, the channels with their units, the item count and warnings.\n"
    "--table NAME  sheet or table of a workbook or database (default: the first one)\n";
const char kConvertUsage[] =
    "usage: tbx convert IN OUT [--format CODE] [--separator S] [--decimal D]\n"
    "                          [--out-separator S] [--out-decimal D]\n"
    "Reads IN and writes OUT, each chosen by its extension as the library's hosts do;\n"
    "OUT appears only when the conversion succeeds; a link's file is replaced, a pipe\n"
    "or device is written directly. OUT \"-\" is standard output, written as CSV unless\n"
    "--format chooses another text format (0 or 11).\n"
    "--format CODE      write filter position 0-14 (12 CSV, 11 text...); for OUT without\n"
    "                   extension the format's extension is appended\n"
    "--separator S      column separator of delimited text input (\"tab\" or \\t for a tab)\n"
    "--decimal D        decimal symbol of delimited text input\n"
    "--out-separator S  column separator of delimited text output\n"
    "--out-decimal D    decimal symbol of delimited text output\n"
    "--table NAME       sheet or table of a workbook or database input (default: the\n"
    "                   first one)\n"
    "--out-table NAME   sheet or table written into a workbook or database (default:\n"
    "                   \"Data\"); an .xls OUT without --format is written as Excel 97\n"
    "Without --separator/--decimal the symbols of text input are detected from its first\n"
    "lines. Text output uses the --out symbols, else those of text input, else the\n"
    "user's locale symbols.\n";

struct ExchangeOptions {
    Arguments files;
    int formatCode = -1;
    bool hasSeparator = false;
    bool hasDecimal = false;
    CString separator;
    CString decimal;
    CString outSeparator;
    CString outDecimal;
    CString table;
    CString outTable;
};

CString UnescapeSeparator(const std::string& text) {
    if (text == "tab" || text == "\\t") return CString("\t");
    if (text == "space") return CString(" ");
    return CString(text.c_str());
}

// Returns 0 on success, else the exit status of a usage error.
int ParseExchangeOptions(const Arguments& args, const char* command, ExchangeOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "--format" || a == "--separator" || a == "--decimal" || a == "--out-separator" ||
                                a == "--out-decimal" || a == "--table" || a == "--out-table";
        if (takesValue && i + 1 >= args.size()) {
            std::fprintf(stderr, "tbx %s: %s needs a value\n", command, a.c_str());
            return 2;
        }
        if (a == "--format") {
            char* end = nullptr;
            long code = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || TBFindExchangeFormatOfCode(static_cast<int>(code)) < 0) {
                std::fprintf(stderr, "tbx %s: --format takes a number from 0 to 14\n", command);
                return 2;
            }
            o.formatCode = static_cast<int>(code);
        } else if (a == "--separator") {
            o.separator = UnescapeSeparator(args[++i]);
            o.hasSeparator = !o.separator.IsEmpty();
        } else if (a == "--out-separator") {
            o.outSeparator = UnescapeSeparator(args[++i]);
        } else if (a == "--out-decimal") {
            o.outDecimal = args[++i].c_str();
        } else if (a == "--table") {
            o.table = args[++i].c_str();
        } else if (a == "--out-table") {
            o.outTable = args[++i].c_str();
        } else if (a == "--decimal") {
            o.decimal = args[++i].c_str();
            o.hasDecimal = !o.decimal.IsEmpty();
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "tbx %s: unknown option %s\n", command, a.c_str());
            return 2;
        } else {
            o.files.push_back(a);
        }
    }
    return 0;
}

// ---------------------------------------------------------------- the engine's formats

// The format the engine reads fileName as (by its extension).
TBExchangeFormatInfo FormatOfFile(const CString& fileName) {
    TBExchangeFormatInfo info;
    TBGetExchangeFormat(TBFindExchangeFormatOfFile(fileName), info);
    return info;
}

// The format of a write filter position; an empty description for any other code.
TBExchangeFormatInfo FormatOfCode(int formatCode) {
    TBExchangeFormatInfo info;
    TBGetExchangeFormat(TBFindExchangeFormatOfCode(formatCode), info);
    return info;
}

// The family of a file read (GetLoadVersion), as its formats describe it.
struct FamilyTraits {
    bool text = false;    // delimited text: separator and decimal symbol apply
    bool tables = false;  // a workbook or database: a table was chosen
};
FamilyTraits TraitsOfFamily(int familyCode) {
    FamilyTraits traits;
    TBExchangeFormatInfo info;
    for (int i = 0; TBGetExchangeFormat(i, info); ++i) {
        if (info.familyCode != familyCode) continue;
        traits.text = traits.text || info.readAsText;
        traits.tables = traits.tables || info.holdsTables;
    }
    return traits;
}

// Answers the table dialog of a workbook or database with its first table.
class FirstTableAnswer : public CDialogHub {
public:
    int DoModal(CModalRequest& request) override {
        auto* choice = dynamic_cast<CTableChoiceRules*>(&request);
        if (!choice || choice->GetNames().GetSize() == 0) return IDCANCEL;
        choice->SetSelected(0);
        return IDOK;
    }
};

class ScopedHub {
public:
    explicit ScopedHub(CDialogHub* hub) { TBSetDialogHub(hub); }
    ~ScopedHub() { TBSetDialogHub(nullptr); }
};

// ---------------------------------------------------------------- progress

// A progress line on a terminal for work that takes more than a second.
class Progress {
public:
    Progress() : m_enabled(isatty(STDERR_FILENO) == 1) {
        if (m_enabled) m_thread = std::thread([this] { Run(); });
    }
    ~Progress() {
        if (!m_enabled) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        if (m_shown) std::fprintf(stderr, "\r\033[K");
    }
    void Phase(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_phase = text;
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_stop; })) {
            auto seconds =
                std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_start).count();
            if (seconds < 1 || m_phase.empty()) continue;
            std::fprintf(stderr, "\r\033[Ktbx: %s ... %lld s", m_phase.c_str(), static_cast<long long>(seconds));
            std::fflush(stderr);
            m_shown = true;
        }
    }
    bool m_enabled;
    bool m_stop = false;
    bool m_shown = false;
    std::string m_phase;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};

// ---------------------------------------------------------------- reading

void PrintWarnings(const CReadAndWriteFiles& files) {
    CString warnings = files.GetLastWarn();
    if (warnings.IsEmpty()) return;
    warnings.Replace("\r\n", "\n");
    std::fprintf(stderr, "warning: %s", warnings.GetString());
}

// ReadInfoFile as a host does it; the symbols of delimited text come from the options
// or are detected. False (after printing the error) on failure.
bool ReadInfo(CReadAndWriteFiles& files, const CString& path, const ExchangeOptions& o, const char* command) {
    const TBExchangeFormatInfo format = FormatOfFile(path);
    int result = 0;
    if (TBIsDirectory(path)) {
        std::fprintf(stderr, "tbx %s: %s is a directory\n", command, path.GetString());
        return false;
    }
    if (format.readAsText && TBFileExists(path)) {
        if (!CTextImportRules(path).CheckFileIsText()) {
            if (TBFileSize(path) == 0)
                std::fprintf(stderr, "tbx %s: %s is empty\n", command, path.GetString());
            else if (access(path.GetString(), R_OK) != 0)
                std::fprintf(stderr, "tbx %s: %s\n", command,
                             TBFormatMessage(TBMsg::CannotOpenFile, {path}).GetString());
            else
                std::fprintf(stderr, "tbx %s: %s is not a text file\n", command, path.GetString());
            return false;
        }
        TBTextSymbols symbols = TBDetectTextSymbols(path);
        if (o.hasSeparator) symbols.separator = o.separator;
        if (o.hasDecimal) symbols.decimal = o.decimal;
        result = files.ReadInfoFile(path, "", -1, symbols.separator, symbols.decimal, 0, 0, 2);
    } else if (format.holdsTables && o.table.IsEmpty()) {
        FirstTableAnswer answer;
        ScopedHub hub(&answer);
        result = files.ReadInfoFile(path, "", -1, nullptr, nullptr, 1, 0, 2);
    } else {
        result = files.ReadInfoFile(path, o.table, -1, nullptr, nullptr, 0, 0, 2);
    }
    if (result == 0) {
        CString error = files.GetLastError();
        if (error.IsEmpty()) error = TBFormatMessage(TBMsg::CannotOpenFile, {path});
        PrintWarnings(files);  // the reasons the format's layer gives for the failure
        std::fprintf(stderr, "tbx %s: %s\n", command, error.GetString());
        return false;
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- channels for tbx plot

namespace {

/// Brings the arrays a read has filled to one length: the longest of them, at most
/// declared (the item count of the file); shorter ones are padded with fill. Returns
/// that length.
int EvenOut(const std::vector<CArray<double, double>*>& arrays, int declared, double fill) {
    int length = 0;
    for (const CArray<double, double>* array : arrays) length = std::max(length, array->GetSize());
    length = std::min(length, std::max(0, declared));
    for (CArray<double, double>* array : arrays) {
        const int before = array->GetSize();
        array->SetSize(length);
        for (int i = before; i < length; ++i) array->ElementAt(i) = fill;
    }
    return length;
}

}  // namespace

bool LoadChannels(const std::string& path, const char* command, std::vector<LoadedChannel>& channels) {
    CReadAndWriteFiles files;
    if (!ReadInfo(files, path.c_str(), ExchangeOptions(), command)) return false;
    const int count = files.GetNrChannels();
    channels.clear();
    try {
        channels.resize(static_cast<std::size_t>(std::max(0, count)));
        for (int i = 0; i < count; ++i) {
            CExImPortChannel* channel = files.GetChannel(i);
            if (!channel) continue;
            channels[i].name = channel->GetChannelName().GetString();
            channels[i].unit = channel->GetUnitName().GetString();
            channel->SetDoubleArray(&channels[i].values);
        }
        if (files.GetNrItems() > 0 && !files.ReadDataFile()) {
            PrintWarnings(files);
            std::fprintf(stderr, "tbx %s: %s\n", command, files.GetLastError().GetString());
            return false;
        }
        // Channels the file holds fewer values of than the others show gaps at the end.
        std::vector<CArray<double, double>*> arrays;
        for (LoadedChannel& channel : channels) arrays.push_back(&channel.values);
        EvenOut(arrays, files.GetNrItems(), std::numeric_limits<double>::quiet_NaN());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tbx %s: %s\n", command, TBLoadString(TBMsg::NoMemory).GetString());
        return false;
    }
    PrintWarnings(files);
    return true;
}

// ---------------------------------------------------------------- tbx info

int RunInfoCommand(const Arguments& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kInfoUsage, stdout);
        return 0;
    }
    ExchangeOptions o;
    if (int status = ParseExchangeOptions(args, "info", o)) return status;
    if (o.files.size() != 1) {
        std::fputs(kInfoUsage, stderr);
        return 2;
    }
    const CString path = o.files[0].c_str();
    CReadAndWriteFiles files;
    if (!ReadInfo(files, path, o, "info")) return 1;

    const int family = files.GetLoadVersion();
    const FamilyTraits traits = TraitsOfFamily(family);
    std::printf("File:      %s\n", path.GetString());
    std::printf("Format:    %s (family %d, format code %d)\n", TBGetExchangeFamilyName(family).GetString(), family,
                files.GetSaveVersion());
    if (traits.text) {
        CString sep = files.GetSeperator();
        sep.Replace("\t", "\\t");
        std::printf("Separator: \"%s\"  Decimal symbol: \"%s\"\n", sep.GetString(), files.GetDecimal().GetString());
    }
    if (traits.tables) std::printf("Table:     %s\n", files.GetTableName().GetString());
    std::printf("Items:     %d\n", files.GetNrItems());
    std::printf("Channels:  %d\n", files.GetNrChannels());
    for (int i = 0; i < files.GetNrChannels(); ++i) {
        CExImPortChannel* channel = files.GetChannel(i);
        if (!channel) {
            std::printf("  %4d  (missing)\n", i + 1);
            continue;
        }
        std::printf("  %4d  %s", i + 1, channel->GetChannelName().GetString());
        if (!channel->GetUnitName().IsEmpty()) std::printf("  [%s]", channel->GetUnitName().GetString());
        std::printf("\n");
    }
    CString warnings = files.GetLastWarn();
    if (!warnings.IsEmpty()) {
        warnings.Replace("\r\n", "\n");
        std::printf("Warnings:\n%s", warnings.GetString());
    }
    return 0;
}

// ---------------------------------------------------------------- tbx convert

namespace {

CString DirectoryOf(const CString& path) {
    int slash = path.ReverseFind('/');
    if (slash < 0) return CString(".");
    if (slash == 0) return CString("/");
    return path.Left(slash);
}

CString BaseName(const CString& path) { return path.Mid(path.ReverseFind('/') + 1); }


std::vector<std::string> FilesIn(const CString& directory) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(directory.GetString())) {
        while (dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, "..")) names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    return names;
}

// A private directory in the temporary directory: the writer writes there (formats may
// write several files), and only a successful conversion puts the files in place, each
// under the library's output rule (a link's file is replaced, a pipe or device written
// directly, never replaced).
class StagingDirectory {
public:
    bool Create() {
        const char* temporary = std::getenv("TMPDIR");
        std::string pattern = std::string(temporary && *temporary ? temporary : "/tmp") + "/tbx-convert-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) return false;
        m_path = buffer.data();
        return true;
    }
    ~StagingDirectory() {
        if (m_path.IsEmpty()) return;
        for (const std::string& name : FilesIn(m_path)) unlink((m_path + "/" + name.c_str()).GetString());
        rmdir(m_path.GetString());
    }
    const CString& Path() const { return m_path; }
    // Puts every file into directory; false (errno set, failed names the file) when one
    // cannot be written. Files already put in place are complete and stay.
    bool PublishAllTo(const CString& directory, CString& failed) const {
        for (const std::string& name : FilesIn(m_path)) {
            failed = directory + "/" + name.c_str();
            if (!TBReplaceFileFrom((m_path + "/" + name.c_str()).GetString(), failed.GetString())) return false;
        }
        return true;
    }
    // Copies the only file to standard output.
    bool CopyToStandardOutput() const {
        std::vector<std::string> names = FilesIn(m_path);
        FILE* in = names.size() == 1 ? std::fopen((m_path + "/" + names[0].c_str()).GetString(), "rb") : nullptr;
        if (!in) return false;
        char buffer[1 << 16];
        bool ok = true;
        size_t n;
        while (ok && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0) ok = std::fwrite(buffer, 1, n, stdout) == n;
        ok = ok && !std::ferror(in);
        std::fclose(in);
        return std::fflush(stdout) == 0 && ok;
    }

private:
    CString m_path;
};

}  // namespace

// ---------------------------------------------------------------- convert steps

namespace {

// The format code OUT is written with: standard output takes a text format (CSV by
// default); a workbook or database name without --format takes the format the engine
// reads it as (Excel 97 for .xls); else the option's, -1 for the extension's own.
// False after a message when standard output cannot take the format.
bool ChooseOutputCode(const ExchangeOptions& o, const CString& output, bool toStandardOutput, int& formatCode) {
    formatCode = o.formatCode;
    if (toStandardOutput) {
        if (formatCode < 0) formatCode = FormatOfFile(".csv").formatCode;
        if (FormatOfCode(formatCode).oneTextFile) return true;
        std::fprintf(stderr, "tbx convert: standard output takes only a text format (--format 0, 11 or 12)\n");
        return false;
    }
    const TBExchangeFormatInfo named = FormatOfFile(output);
    if (formatCode < 0 && named.holdsTables) formatCode = named.formatCode;
    return true;
}

// Reads every channel of files (after ReadInfo) into double arrays owned by storage, as
// a host owns them, and evens the arrays out to one length. False after a message.
bool ReadAllChannels(CReadAndWriteFiles& files, const CString& input,
                     std::vector<std::unique_ptr<CArray<double, double>>>& storage) {
    const int channels = files.GetNrChannels();
    const int items = files.GetNrItems();
    if (channels <= 0) {
        std::fprintf(stderr, "tbx convert: %s holds no channels\n", input.GetString());
        return false;
    }
    // The reader grows the arrays to the values the file holds: the item count a file
    // declares may be anything, so nothing is reserved from it.
    try {
        for (int i = 0; i < channels; ++i) {
            CExImPortChannel* channel = files.GetChannel(i);
            if (!channel) continue;
            storage.emplace_back(new CArray<double, double>);
            channel->SetDoubleArray(storage.back().get());
        }
        if (!files.ReadDataFile()) {
            PrintWarnings(files);
            std::fprintf(stderr, "tbx convert: %s\n", files.GetLastError().GetString());
            return false;
        }
        // Rows some channels lack read as 0; rows no channel has are not written.
        std::vector<CArray<double, double>*> arrays;
        for (auto& array : storage) arrays.push_back(array.get());
        files.SetNrItems(EvenOut(arrays, items, 0.0));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tbx convert: %s\n", TBLoadString(TBMsg::NoMemory).GetString());
        return false;
    }
    PrintWarnings(files);
    return true;
}

// Writes the channels into staged (a file of the staging directory); false after a
// message naming the file where OUT would have been. Text output takes the options'
// symbols, else those of text input, else the user's (empty symbols).
bool WriteStaged(CReadAndWriteFiles& files, const ExchangeOptions& o, const CString& staged, int formatCode,
                 const CString& shownDirectory, const StagingDirectory& staging) {
    const bool inputIsText = TraitsOfFamily(files.GetLoadVersion()).text;
    const CString separator = !o.outSeparator.IsEmpty() ? o.outSeparator : inputIsText ? files.GetSeperator() : CString();
    const CString decimal = !o.outDecimal.IsEmpty() ? o.outDecimal : inputIsText ? files.GetDecimal() : CString();
    files.ResetWarnAndErrorMsg();
    if (files.WriteFile(staged, o.outTable, formatCode, separator, decimal, 0, 0) != 0) {
        PrintWarnings(files);
        return true;
    }
    CString error = files.GetLastError();
    error.Replace(staging.Path() + "/", shownDirectory);
    PrintWarnings(files);
    std::fprintf(stderr, "tbx convert: %s\n", error.GetString());
    return false;
}

// Puts the staged files in place (or on standard output); false after a message.
bool PublishStaged(const StagingDirectory& staging, const CString& output, bool toStandardOutput) {
    if (toStandardOutput) {
        if (staging.CopyToStandardOutput()) return true;
        std::fprintf(stderr, "tbx convert: cannot write to standard output: %s\n",
                     TBSystemErrorText(errno).GetString());
        return false;
    }
    CString failed;
    if (staging.PublishAllTo(DirectoryOf(output), failed)) return true;
    std::fprintf(stderr, "tbx convert: cannot write %s: %s\n", failed.GetString(), TBSystemErrorText(errno).GetString());
    return false;
}

}  // namespace

int RunConvertCommand(const Arguments& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kConvertUsage, stdout);
        return 0;
    }
    ExchangeOptions o;
    if (int status = ParseExchangeOptions(args, "convert", o)) return status;
    if (o.files.size() != 2) {
        std::fputs(kConvertUsage, stderr);
        return 2;
    }
    const CString input = o.files[0].c_str();
    const CString output = o.files[1].c_str();
    if (output.IsEmpty() || output.Right(1) == "/" || TBIsDirectory(output)) {
        std::fprintf(stderr, "tbx convert: the output %s is a directory; it must be a file name\n", output.GetString());
        return 2;
    }
    const bool toStandardOutput = output == "-";
    int formatCode = -1;
    if (!ChooseOutputCode(o, output, toStandardOutput, formatCode)) return 2;

    Progress progress;
    progress.Phase("reading " + std::string(input.GetString()));
    CReadAndWriteFiles files;
    std::vector<std::unique_ptr<CArray<double, double>>> storage;
    if (!ReadInfo(files, input, o, "convert") || !ReadAllChannels(files, input, storage)) return 1;

    StagingDirectory staging;
    if (!staging.Create()) {
        std::fprintf(stderr, "tbx convert: cannot create a temporary directory: %s\n",
                     TBSystemErrorText(errno).GetString());
        return 1;
    }
    progress.Phase("writing " + std::string(output.GetString()));
    const CString staged = staging.Path() + "/" + (toStandardOutput ? CString("standard-output") : BaseName(output));
    const CString shownDirectory = toStandardOutput ? CString() : DirectoryOf(output) + "/";
    if (!WriteStaged(files, o, staged, formatCode, shownDirectory, staging)) return 1;
    return PublishStaged(staging, output, toStandardOutput) ? 0 : 1;
}
