#include <toolbox/os/clipboard_hub.h>

namespace {
CClipboardHub* g_installedClipboard = nullptr;
}

CClipboardHub& TBGetClipboardHub() {
    static CClipboardHub inProcess;
    return g_installedClipboard ? *g_installedClipboard : inProcess;
}

void TBSetClipboardHub(CClipboardHub* hub) { g_installedClipboard = hub; }
