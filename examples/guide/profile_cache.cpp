// Reading and writing settings through the private profile cache.
#include <toolbox/toolbox.h>

#include <cstdio>

int main() {
    const char* file = "/tmp/guide_profile.ini";
    // Writes change the cache only; the flush merges the disk file in and rewrites it.
    WritePrivateStringValue("Plot", "Title", "Step response", file);
    WritePrivateIntValue("Plot", "Width", 640, file);
    if (!FlushPrivateFile(file)) return 1;

    // Reads come from the cache; a file changed on disk is read again first.
    CString title = GetPrivateStringValue("Plot", "Title", "", file);
    int width = GetPrivateIntValue("Plot", "Width", 0, file);
    std::printf("%s, %d pixels\n", title.GetString(), width);

    ClosePrivateFile(0, file);
    std::remove(file);
    return title == "Step response" && width == 640 ? 0 : 1;
}
