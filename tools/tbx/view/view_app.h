// tbx view: the viewer as a program, and its screenshot mode for scripts and tests.
#pragma once

#include <toolbox/types/cstring.h>

#include <vector>

struct ViewOptions {
    std::vector<CString> files;
    CString screenshot;             // draw the window into this PNG and exit
    int width = 0, height = 0;      // 0: the remembered placement (1100 x 700 for screenshots)
    std::vector<CString> channels;  // channels to tick; empty: the first three of every file
    bool timing = false;            // print how long opening and drawing took
};

/// Runs the viewer; the process exit status.
int RunViewer(const ViewOptions& options);
/// The viewer's gallery pages (view_*.png) in folder; the number written.
int RenderViewerGallery(const char* folder);
