// What the fuzz targets of the window library share: a Qt application on the offscreen
// platform (text is measured with real fonts), made once before the first input.
#pragma once

#include <QGuiApplication>

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
