// Metafiles and compound sheet files from outside. The first byte chooses: even, the
// rest is a metafile (WMF, placeable WMF, EMF or a serialised picture) played into a
// small recording context; odd, the rest is a compound file whose "MetaFileImage"
// stream is played the same way. Nothing may read past a record, allocate without
// bound or loop for ever.
#include <toolbox/ui/metafile_player.h>
#include <toolbox/ui/sheet_preview.h>

#include "fuzz/window/gui_fuzz.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<BYTE> metafile;
    if (data[0] & 1) {
        if (!TBReadCompoundStream(data + 1, size - 1, "MetaFileImage", metafile, 1 << 20)) return 0;
        if (metafile.size() > (1u << 20)) std::abort();
    } else {
        metafile.assign(data + 1, data + size);
    }
    CTBMetaFilePlayer player;
    if (!player.Load(metafile.data(), metafile.size())) {
        if (!player.IsEmpty()) std::abort();
        return 0;
    }
    CRecordingDC dc(64, 48);
    player.Play(&dc, CRect(2, 2, 62, 46));
    return 0;
}
