// The syntax description loader over arbitrary text, then the loaded description
// colouring the same text line by line: every span must lie inside its line (an empty
// line inside a range has the one span 0..0), spans must come in column order without
// overlapping, and the range state must name an entry of the description.
#include "controls/coloredit/model/line_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CTBSyntaxDscrColorRichEdit description;
    TBLoadSyntaxDescrFromText(text.data(), static_cast<int>(text.size()), &description);
    tb_coloredit::CLineList lines;
    lines.SetText(text);
    lines.Colour(0, lines.GetCount() - 1, false, &description);
    for (int i = 0; i < lines.GetCount(); ++i) {
        const CTBColorRichEditLine& line = lines.Line(i);
        int previousLast = -1;
        for (const sColorDscrColorRichEdit& span : line.GetColorDscr()) {
            const bool emptyLineInRange = line.GetLength() == 0 && span.first == 0 && span.last == 0;
            if (!emptyLineInRange && (span.first > span.last || span.last >= line.GetLength())) std::abort();
            if (span.first <= previousLast) std::abort();
            previousLast = span.last;
        }
        if (line.GetOpenRangeAtEnd() >= description.GetRangeCount()) std::abort();
    }
    return 0;
}
