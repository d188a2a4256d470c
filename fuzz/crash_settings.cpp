// Settings files and os-release texts read for crash reports.
#include "crash/crash_report_xml.h"
#include "crash/crash_settings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    CString value;
    TBFindIniValue(text, size, "CrashReport", "MailServer", value);
    TBFindIniValue(text, size, "General", "ProductVersion", value);
    TBOsReleaseValue(text, size, "PRETTY_NAME");
    return 0;
}
