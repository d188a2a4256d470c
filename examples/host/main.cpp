#include <toolbox/toolbox.h>

#include <cstdio>

int main() {
    CString text = TBExtended_ftoa(0.0047, -1, 1, ",");
    double back = TBExtended_atof(text, ",");
    std::printf("%s= %g\n", text.GetString(), back);
    return back == 0.0047 ? 0 : 1;
}
