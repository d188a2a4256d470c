// Symbol texts from outside: loaded and drawn into a small recording context. Loading
// ends in one of its three results, and a drawing leaves no made object behind.
#include <toolbox/ui/draw_symbol.h>

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

// Matching the fuzzed face names of fonts, fontconfig loses some of its patterns; that
// is fontconfig's leak, not one of the code under test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

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
