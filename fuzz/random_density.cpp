// Density tables of arbitrary bytes, read by the exchange engine as .csv: loading must give one of the status codes
// and, on success, draws must stay between the smallest and the largest abscissa.
#include <toolbox/services/random_values.h>
#include "fuzz_files.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
class Probe : public CTBRnd {
public:
    using CTBRnd::GetPDFCount;
    using CTBRnd::GetPDFGridPoint;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = fuzz_input::ScratchFile("random_density", ".csv");
    if (!fuzz_input::WriteFile(file, data, size)) return 0;
    Probe rnd;
    int status = rnd.LoadCustomPDF(file.c_str());
    if (status < 0 || status > 6) std::abort();
    if (status == 0) {
        UINT count = rnd.GetPDFCount(file.c_str());
        if (count < 2) std::abort();
        double low = rnd.GetPDFGridPoint(file.c_str(), 0);
        double high = rnd.GetPDFGridPoint(file.c_str(), count - 1);
        // A draw is r * (b - a) / 32767 + a, rounded: allow for the last bits.
        double slack = 1e-14 * (std::fabs(low) + std::fabs(high)) + 1e-300;
        for (int k = 0; k < 64; ++k) {
            double value = 0;
            if (rnd.GetCustomRNDValue(file.c_str(), value) != 0) std::abort();
            if (!(value >= low - slack && value <= high + slack)) std::abort();
        }
    }
    return 0;
}
