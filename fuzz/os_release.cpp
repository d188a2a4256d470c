// The os-release texts read for crash reports. ("Register.cfg" is read through the
// profile cache, whose parser has its own target.)
#include "crash/crash_report_xml.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    TBOsReleaseValue(text, size, "PRETTY_NAME");
    TBOsReleaseValue(text, size, "NAME");
    return 0;
}
