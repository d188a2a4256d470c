// Symbol texts from outside: loaded and drawn into a small recording context. Loading
// ends in one of its three results, and a drawing leaves no made object behind.
#include <toolbox/ui/draw_symbol.h>

#include "fuzz/window/gui_fuzz.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CString text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    CTBDrawSymbol symbol;
    const int result = symbol.LoadSymbols(text);
    if (result != 0 && result != 1 && result != 40963) std::abort();
    if (result == 40963 && symbol.GetCount() != 0) std::abort();
    symbol.SetCurMask(static_cast<unsigned char>(size));
    CRecordingDC dc(48, 32);
    CRect frame(0, 0, 48, 32);
    symbol.Draw(&dc, &frame);
    if (CTBDrawSymbol::GetCreatedObjectCount() != 0) std::abort();
    return 0;
}
