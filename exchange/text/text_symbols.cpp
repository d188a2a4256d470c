// The separator and decimal symbol of a delimited text file, found in its first lines.
#include <toolbox/exchange/text_symbols.h>
#include <toolbox/os/file_io.h>
#include <toolbox/os/locale_info.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kMaxLines = 40;
constexpr int kMaxLinesLooked = 200;
constexpr std::size_t kMaxLineLength = 4096;

bool HasCommaDecimal(std::string_view line) {
    const std::size_t comma = line.find(',');
    return comma != std::string_view::npos && comma > 0 && comma + 1 < line.size() &&
           std::isdigit(static_cast<unsigned char>(line[comma - 1])) &&
           std::isdigit(static_cast<unsigned char>(line[comma + 1]));
}

// Fields as the text reader counts them: a separator ending the line opens no field.
int FieldCount(std::string_view line, char separator) {
    const int count = 1 + static_cast<int>(std::count(line.begin(), line.end(), separator));
    return !line.empty() && line.back() == separator ? count - 1 : count;
}

std::string_view Trimmed(std::string_view line) {
    std::size_t n = line.size();
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t' || line[n - 1] == '\r' || line[n - 1] == '\n')) --n;
    return line.substr(0, n);
}

std::vector<std::string> FirstDataLines(const CString& path) {
    std::vector<std::string> lines;
    CLineReader in;
    if (!in.Open(path, 1 << 16)) return lines;
    std::string_view raw;
    for (int n = 1; lines.size() < kMaxLines && n <= kMaxLinesLooked && in.NextLine(raw); ++n) {
        const std::string_view line = Trimmed(raw);
        if (line.empty() || (n == 1 && line.find('"') != std::string_view::npos)) continue;
        lines.emplace_back(line.substr(0, kMaxLineLength));
    }
    return lines;
}

char SeparatorOf(const std::vector<std::string>& lines) {
    for (char candidate : {'\t', ';', ',', ' '}) {
        const int first = FieldCount(lines[0], candidate);
        if (first >= 2 && std::all_of(lines.begin(), lines.end(),
                                      [&](const std::string& line) { return FieldCount(line, candidate) == first; }))
            return candidate;
    }
    return 0;
}

}  // namespace

TBTextSymbols TBDetectTextSymbols(const CString& path) {
    TBTextSymbols symbols{TBGetUserListSeparator(), "."};
    const std::vector<std::string> lines = FirstDataLines(path);
    if (lines.empty()) return symbols;
    const char separator = SeparatorOf(lines);
    if (separator) symbols.separator = CString(separator);
    if (separator != ',') {
        const bool comma = std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return HasCommaDecimal(l); });
        const bool point = std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.find('.') != std::string::npos; });
        if (comma && !point) symbols.decimal = ",";
    }
    return symbols;
}
