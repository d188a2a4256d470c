// The XML report with pugixml. Values of this platform: the architecture from uname,
// the processor family from /proc/cpuinfo, the system's name from os-release and its
// version numbers from the kernel release; the modules from the crashed process's
// memory map.
#include "crash/crash_report_xml.h"
#include "crash/crash_paths.h"
#include <toolbox/crash/crash_report.h>
#include "crash/proc_maps.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace {

std::string ReadText(const char* path, std::size_t limit = 1 << 20) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!in) return text;
    char buffer[8192];
    while (text.size() < limit && in.read(buffer, sizeof buffer).gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    return text;
}

CString Hex(const char* format, std::uint64_t value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned long long>(value));
    return buffer;
}

// "cpu family : 6" on x86, "CPU architecture: 8" on ARM; -1 when absent.
int CpuFamily(const std::string& cpuinfo, const char* key) {
    std::size_t at = cpuinfo.find(key);
    if (at == std::string::npos) return -1;
    std::size_t colon = cpuinfo.find(':', at);
    if (colon == std::string::npos) return -1;
    int value = 0, digits = 0;
    for (std::size_t i = colon + 1; i < cpuinfo.size() && digits < 6; ++i) {
        char c = cpuinfo[i];
        if (c == ' ' || c == '\t') {
            if (digits) break;
            continue;
        }
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        ++digits;
    }
    return digits ? value : -1;
}

CString ProcessorLevel(const CString& architecture) {
    std::string cpuinfo = ReadText("/proc/cpuinfo", 1 << 16);
    bool x86 = architecture == "PROCESSOR_ARCHITECTURE_INTEL" || architecture == "PROCESSOR_ARCHITECTURE_AMD64";
    int family = CpuFamily(cpuinfo, x86 ? "cpu family" : "CPU architecture");
    if (architecture == "PROCESSOR_ARCHITECTURE_INTEL") {
        switch (family) {
            case 3: return "Intel 30386";
            case 4: return "Intel 80486";
            case 5: return "Intel Pentium";
            case 6: return "Intel Pentium Pro or Pentium II (or higher)";
            default: return "Unknown";
        }
    }
    // Other architectures: the processor family number the kernel reports.
    if (family < 0) return "Unknown";
    CString level;
    level.Format("Family %d", family);
    return level;
}

void ParseRelease(const char* release, unsigned v[3]) {
    v[0] = v[1] = v[2] = 0;
    int part = 0;
    for (const char* p = release; *p && part < 3; ++p) {
        if (*p >= '0' && *p <= '9')
            v[part] = v[part] * 10 + unsigned(*p - '0');
        else if (*p == '.')
            ++part;
        else
            break;
    }
}

CString OperatingSystemName(const utsname& uts) {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::string text = ReadText(path, 1 << 16);
        CString name = TBOsReleaseValue(text.data(), text.size(), "PRETTY_NAME");
        if (name.IsEmpty()) name = TBOsReleaseValue(text.data(), text.size(), "NAME");
        if (!name.IsEmpty()) return name;
    }
    return uts.sysname[0] ? CString(uts.sysname) : CString("unknown OS version");
}

CString FileTimeText(const CString& path) {
    struct stat st;
    if (stat(path, &st) != 0) return CString();
    std::tm t{};
    std::time_t when = st.st_mtime;
    localtime_r(&when, &t);
    CString text;
    text.Format("%02u/%02u/%04u %02u:%02u:%02u", unsigned(t.tm_mon + 1), unsigned(t.tm_mday),
                unsigned(t.tm_year + 1900), unsigned(t.tm_hour), unsigned(t.tm_min), unsigned(t.tm_sec));
    return text;
}

void AddModules(pugi::xml_node modules, int processId) {
    char mapsPath[64];
    std::snprintf(mapsPath, sizeof mapsPath, "/proc/%d/maps", processId);
    std::string maps = ReadText(processId > 0 ? mapsPath : "/proc/self/maps", 64u << 20);
    std::vector<TBMapping> mappings(maps.size() / 20 + 1);
    int count = TBParseMaps(maps.data(), maps.size(), mappings.data(), static_cast<int>(mappings.size()));
    std::vector<TBModuleRange> ranges(static_cast<std::size_t>(count) + 1);
    int moduleCount =
        TBModulesFromMappings(maps.data(), mappings.data(), count, ranges.data(), static_cast<int>(ranges.size()));
    for (int i = 0; i < moduleCount; ++i) {
        const TBModuleRange& r = ranges[static_cast<std::size_t>(i)];
        CString path(std::string(maps.data() + r.pathOffset, r.pathLength));
        CString version = TBModuleFileVersion(path);
        pugi::xml_node m = modules.append_child("Module");
        m.append_attribute("FullPath") = path.GetString();
        m.append_attribute("BaseAddress") = Hex("0x%08llx", r.base).GetString();
        m.append_attribute("Size") = Hex("0x%08llx", r.end - r.base).GetString();
        m.append_attribute("TimeStamp") = FileTimeText(path).GetString();
        m.append_attribute("FileVersion") = version.GetString();
        m.append_attribute("ProductVersion") = version.GetString();
    }
}

}  // namespace

CString TBProcessorArchitectureName(const char* machine) {
    CString m = machine ? machine : "";
    if (m == "x86_64" || m == "amd64") return "PROCESSOR_ARCHITECTURE_AMD64";
    if (m == "aarch64" || m == "arm64") return "PROCESSOR_ARCHITECTURE_ARM64";
    if (m == "i386" || m == "i486" || m == "i586" || m == "i686" || m == "x86") return "PROCESSOR_ARCHITECTURE_INTEL";
    if (m.Left(3) == "arm") return "PROCESSOR_ARCHITECTURE_ARM";
    if (m.Left(4) == "mips") return "PROCESSOR_ARCHITECTURE_MIPS";
    if (m.Left(3) == "ppc" || m.Left(7) == "powerpc") return "PROCESSOR_ARCHITECTURE_PPC";
    if (m == "ia64") return "PROCESSOR_ARCHITECTURE_IA64";
    if (m == "alpha") return "PROCESSOR_ARCHITECTURE_ALPHA";
    if (m.Left(2) == "sh") return "PROCESSOR_ARCHITECTURE_SHX";
    return "PROCESSOR_ARCHITECTURE_UNKNOWN";
}

CString TBOsReleaseValue(const char* text, std::size_t length, const char* key) {
    std::size_t keyLength = std::strlen(key);
    std::size_t pos = 0;
    while (pos < length) {
        std::size_t end = pos;
        while (end < length && text[end] != '\n') ++end;
        if (end - pos > keyLength && std::memcmp(text + pos, key, keyLength) == 0 && text[pos + keyLength] == '=') {
            std::size_t first = pos + keyLength + 1, last = end;
            if (last > first && text[last - 1] == '\r') --last;
            if (last - first >= 2 && (text[first] == '"' || text[first] == '\'') && text[last - 1] == text[first]) {
                ++first;
                --last;
            }
            std::string value;
            for (std::size_t i = first; i < last; ++i) {
                if (text[i] == '\\' && i + 1 < last) ++i;  // shell escapes inside quotes
                value += text[i];
            }
            return CString(value);
        }
        pos = end + 1;
    }
    return CString();
}

CString TBModuleFileVersion(const CString& path) {
    CString name = TBFileNameOf(path);
    int so = name.Find(".so.");
    unsigned v[4] = {0, 0, 0, 0};
    if (so >= 0) {
        int part = 0;
        for (int i = so + 4; i < name.GetLength() && part < 4; ++i) {
            char c = name[i];
            if (c >= '0' && c <= '9') {
                if (v[part] < 100000000u) v[part] = v[part] * 10 + unsigned(c - '0');
            } else if (c == '.') {
                ++part;
            } else {
                break;
            }
        }
    }
    CString text;
    text.Format("%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
    return text;
}

bool TBWriteCrashReportXml(const CString& xmlPath, const TBCrashReportInfo& info, CString& error) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Exception");

    pugi::xml_node application = root.append_child("Application");
    application.append_attribute("Path") = TBDirectoryOf(info.programPath).GetString();
    application.append_attribute("ProductVersion") = info.productVersion.GetString();

    pugi::xml_node record = root.append_child("ExceptionRecord");
    record.append_attribute("ModuleName") = info.programPath.GetString();
    record.append_attribute("ExceptionCode") = Hex("%#llx", info.exceptionCode).GetString();
    record.append_attribute("ExceptionDescription") = TBExceptionName(info.exceptionCode).GetString();
    record.append_attribute("ExceptionAddress") = Hex("%#llx", info.exceptionAddress).GetString();
    record.append_attribute("ExceptionOperation") =
        info.operation == 0 ? "read inaccessible data" : "write inaccessible data";

    utsname uts;
    if (uname(&uts) != 0) std::memset(&uts, 0, sizeof uts);
    CString architecture = TBProcessorArchitectureName(uts.machine);
    pugi::xml_node processor = root.append_child("Processor");
    processor.append_attribute("Architecture") = architecture.GetString();
    processor.append_attribute("Level") = ProcessorLevel(architecture).GetString();
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    processor.append_attribute("NumberOfProcessors") = processors > 0 ? processors : 1;

    unsigned version[3];
    ParseRelease(uts.release, version);
    pugi::xml_node os = root.append_child("OperatingSystem");
    os.append_attribute("OS") = OperatingSystemName(uts).GetString();
    os.append_attribute("MajorVersion") = version[0];
    os.append_attribute("MinorVersion") = version[1];
    os.append_attribute("BuildNumber") = version[2];
    os.append_attribute("CSDVersion") = (CString(uts.release) + " " + uts.version).GetString();

    AddModules(root.append_child("Modules"), info.processId);

    const int fd = TBCreateCrashFile(xmlPath.GetString());
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file && fd >= 0) close(fd);
    bool saved = false;
    if (file) {
        pugi::xml_writer_file writer(file);
        doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
        saved = std::ferror(file) == 0;
        saved = std::fclose(file) == 0 && saved;
    }
    if (!saved) {
        error.Format("Cannot save the crash report \"%s\"", xmlPath.GetString());
        return false;
    }
    return true;
}
