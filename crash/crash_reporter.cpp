// The crash reporter's steps after the dump: the XML report, the archive of every
// report file, the question to the user, mail or save, and deleting the temporary files.
// A report nobody is asked about, or that could be neither sent nor saved, is kept in
// the state directory and its path shown, so no report is lost; when no archive can be
// made or kept, the dump and the XML report themselves are kept and shown.
#include <toolbox/crash/crash_report.h>
#include <toolbox/crash/crash_dialogs.h>
#include "crash/crash_paths.h"
#include "crash/crash_report_xml.h"
#include "crash/crash_settings.h"
#include <toolbox/mail/mail.h>
#include <toolbox/os/output_file.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/zip/zip_archive.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct ReporterArgs {
    int processId = 0;
    CString programPath, dumpPath, xmlPath, tempDir, to, subject;
    std::vector<std::pair<CString, CString>> files;
    int signal = 0;
    std::uint64_t code = 0, address = 0, operation = 0;
    bool dumpWritten = false;
};

bool ParseNumber(const char* text, std::uint64_t& value) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, 0);
    if (errno || !end || *end) return false;
    value = v;
    return true;
}

bool ParseArgs(int argc, char** argv, ReporterArgs& a) {
    for (int i = 1; i < argc; ++i) {
        CString option = argv[i];
        auto next = [&](CString& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](std::uint64_t& out) { return i + 1 < argc && ParseNumber(argv[++i], out); };
        std::uint64_t n = 0;
        bool ok = true;
        if (option == "--pid") {
            ok = number(n);
            a.processId = static_cast<int>(n);
        } else if (option == "--exe")
            ok = next(a.programPath);
        else if (option == "--dump")
            ok = next(a.dumpPath);
        else if (option == "--xml")
            ok = next(a.xmlPath);
        else if (option == "--temp")
            ok = next(a.tempDir);
        else if (option == "--to")
            ok = next(a.to);
        else if (option == "--subject")
            ok = next(a.subject);
        else if (option == "--file") {
            CString path, description;
            ok = next(path) && next(description);
            a.files.emplace_back(path, description);
        } else if (option == "--signal") {
            ok = number(n);
            a.signal = static_cast<int>(n);
        } else if (option == "--code")
            ok = number(a.code);
        else if (option == "--address")
            ok = number(a.address);
        else if (option == "--operation")
            ok = number(a.operation);
        else if (option == "--dump-written") {
            ok = number(n);
            a.dumpWritten = n != 0;
        } else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "toolbox-crash-reporter: bad argument \"%s\"\n", option.GetString());
            return false;
        }
    }
    if (a.xmlPath.IsEmpty() || a.programPath.IsEmpty()) {
        std::fprintf(stderr, "toolbox-crash-reporter: --exe and --xml are required\n");
        return false;
    }
    return true;
}

bool MakeDirectories(const CString& path) {
    for (int i = 1; i <= path.GetLength(); ++i) {
        if (i < path.GetLength() && path[i] != '/') continue;
        CString part = path.Left(i);
        if (mkdir(part, 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Copies the archive under the library's output rule: a link's file is replaced, a pipe
// or device written directly, a failure leaves no half archive at a file.
bool CopyFile(const CString& from, const CString& to) { return TBReplaceFileFrom(from.GetString(), to.GetString()); }

// Moves a file of the report: renamed, or copied and removed where a rename cannot
// (another file system). False leaves the file where it was.
bool MoveFile(const CString& from, const CString& to) {
    if (std::rename(from, to) == 0) return true;
    if (!CopyFile(from, to)) return false;
    std::remove(from);
    return true;
}

// A new name in the state directory for a kept report file: base, time, process id
// and extension; empty when the directory cannot be made.
CString KeptName(const CString& base, int processId, const char* extension) {
    CString dir = TBCrashStateDirectory();
    if (!MakeDirectories(dir)) return CString();
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    CString target;
    target.Format("%s/%s-%04d%02d%02d-%02d%02d%02d-%d%s", dir.GetString(), base.GetString(), t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, processId, extension);
    return target;
}

// Keeps the archive in the state directory; returns the kept path (empty on failure).
CString KeepReport(const CString& archive, const CString& base, int processId) {
    CString target = KeptName(base, processId, ".zip");
    return !target.IsEmpty() && MoveFile(archive, target) ? target : CString();
}

// Keeps the dump and the XML report when no archive holds them: moved to the state
// directory, or, when they cannot go there (a full disk), left where they are.
// Returns where each is now; empty when there is nothing to keep.
std::vector<CString> KeepLooseFiles(const std::vector<CString>& files, const CString& base, int processId) {
    std::vector<CString> kept;
    for (const CString& file : files) {
        if (file.IsEmpty() || access(file, F_OK) != 0) continue;
        const int dot = TBFileNameOf(file).ReverseFind('.');
        const CString extension = dot >= 0 ? TBFileNameOf(file).Mid(dot) : CString();
        const CString target = KeptName(base, processId, extension);
        kept.push_back(!target.IsEmpty() && MoveFile(file, target) ? target : file);
    }
    return kept;
}

// A new temporary file name for the archive; the work directory when the temporary
// directory cannot be written.
CString NewArchiveName(const CString& dir, const CString& base) {
    CString pattern = dir + "/" + base + "-XXXXXX.zip";
    std::vector<char> buffer(pattern.GetString(), pattern.GetString() + pattern.GetLength() + 1);
    int fd = mkstemps(buffer.data(), 4);
    if (fd < 0) return CString();
    close(fd);
    return CString(buffer.data());
}

}  // namespace

int TBRunCrashReporter(int argc, char** argv) {
    ReporterArgs a;
    if (!ParseArgs(argc, argv, a)) return 2;
    CString base = TBCrashBaseName(a.programPath);
    CrashReportHandler handler(nullptr, a.to, a.subject);
    for (auto& f : a.files) handler.ReportFiles.SetAt(f.first, f.second);

    // The temporary directory may not be writable: then the report is made in the
    // state directory instead.
    CString workDir = a.tempDir.IsEmpty() ? TBTempDirectory() : a.tempDir;
    CString xmlPath = a.xmlPath;
    if (access(workDir, W_OK) != 0) {
        workDir = TBCrashStateDirectory();
        MakeDirectories(workDir);
        xmlPath = workDir + "/" + TBFileNameOf(a.xmlPath);
    }

    TBCrashSettings settings = TBReadCrashSettings(TBDirectoryOf(a.programPath));
    TBCrashReportInfo info;
    info.programPath = a.programPath;
    info.exceptionCode = static_cast<DWORD>(a.code);
    info.exceptionAddress = a.address;
    info.operation = a.operation;
    info.processId = a.processId;
    info.productVersion = settings.productVersion;
    CString error;
    bool xmlWritten = TBWriteCrashReportXml(xmlPath, info, error);
    if (!xmlWritten) TBShowCrashMessage(error);

    const bool dumpWritten = a.dumpWritten && !a.dumpPath.IsEmpty();
    if (dumpWritten) handler.ReportFiles.SetAt(a.dumpPath, TBLoadString(TBMsg::CrashDumpFile));
    if (xmlWritten) handler.ReportFiles.SetAt(xmlPath, TBLoadString(TBMsg::CrashLogFile));
    // Symbol files: the modules carry their own symbols or build ids on this platform,
    // so none are gathered.

    CString archive = NewArchiveName(workDir, base);
    if (archive.IsEmpty()) {
        workDir = TBCrashStateDirectory();
        MakeDirectories(workDir);
        archive = NewArchiveName(workDir, base);
    }
    bool packed = false;
    if (!archive.IsEmpty()) {
        CZipArchive zip;
        if (zip.Open(archive)) {
            std::vector<CString> dropped;
            POSITION pos = handler.ReportFiles.GetStartPosition();
            while (pos) {
                CString path, description;
                handler.ReportFiles.GetNextAssoc(pos, path, description);
                if (!zip.AddNewFile(path, TBFileNameOf(path), -1, 65536)) dropped.push_back(path);
            }
            for (const CString& path : dropped) handler.ReportFiles.RemoveKey(path);
            packed = zip.Close();
            if (!packed) TBShowCrashMessage(zip.GetLastError());
        } else {
            TBShowCrashMessage(zip.GetLastError());
        }
    }

    int status = 0;
    // Delivered, saved, kept or declined: only then may the work files go.
    bool settled = false;
    if (packed) {
        CString sender, description;
        TBCrashAnswer answer = TBAskToSendCrashReport(handler.ReportFiles, sender, description, a.programPath);
        bool delivered = false;
        bool saved = false;
        if (answer == TBCrashAnswer::Send && !handler.GetRecipient().IsEmpty())
            delivered =
                TBSendReportMail(handler, archive, sender, description, TBReportMailTargetOf(a.programPath)) == 1;
        if (answer == TBCrashAnswer::Send && !delivered) {
            CString target = TBAskCrashArchiveTarget();
            if (!target.IsEmpty()) saved = CopyFile(archive, target);
        }
        settled = delivered || saved || answer == TBCrashAnswer::DontSend;
        if (!settled) {
            CString kept = KeepReport(archive, base, a.processId);
            if (!kept.IsEmpty()) {
                TBShowCrashMessage("Crash report kept in " + kept, MB_ICONINFORMATION);
                settled = true;
            }
        }
    }
    if (!settled) {
        // No archive could be made or kept: the dump and the XML report are all there is.
        std::vector<CString> kept =
            KeepLooseFiles({dumpWritten ? a.dumpPath : CString(), xmlWritten ? xmlPath : CString()}, base, a.processId);
        if (kept.empty()) {
            TBShowCrashMessage("The crash report could not be kept.");
            status = 1;
        } else {
            CString where = kept[0];
            for (std::size_t i = 1; i < kept.size(); ++i) where += " and " + kept[i];
            TBShowCrashMessage("Crash report kept in " + where, MB_ICONINFORMATION);
        }
    }

    if (!archive.IsEmpty()) std::remove(archive);
    // A file that was kept in place stays; one that was never completed goes.
    if ((settled || !dumpWritten) && !a.dumpPath.IsEmpty()) std::remove(a.dumpPath);
    if (settled || !xmlWritten) std::remove(xmlPath);
    TBRemoveCrashDirectories(TBDirectoryOf(xmlPath));
    return status;
}
