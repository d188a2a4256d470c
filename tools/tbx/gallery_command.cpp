// tbx gallery -o DIR: every control and dialog of the window library as PNG files.
#include "commands.h"

#include <cstdio>

#if TOOLBOX_HAS_UI
#include <toolbox/ui/window_layer.h>

#include "view/view_app.h"
#endif

int RunGalleryCommand(const Arguments& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("usage: tbx gallery -o DIR\n"
                    "Draws every control, dialog and drawing sample of the window library into PNG\n"
                    "files in DIR (made when missing), offscreen when there is no display.\n");
        return 0;
    }
    if (args.size() != 2 || args[0] != "-o") {
        std::fprintf(stderr, "usage: tbx gallery -o DIR\n");
        return 2;
    }
#if TOOLBOX_HAS_UI
    int written = TBRenderGallery(args[1].c_str());
    if (written < 0) {
        std::fprintf(stderr, "tbx gallery: cannot write into \"%s\"\n", args[1].c_str());
        return 1;
    }
    written += RenderViewerGallery(args[1].c_str());  // tbx view's pages (tools/tbx/view)
    std::printf("%d images written to %s\n", written, args[1].c_str());
    return written > 0 ? 0 : 1;
#else
    std::fprintf(stderr, "tbx gallery: this tbx was built without the window library\n");
    return 1;
#endif
}
