#include "text_symbols.h"

#include <toolbox/os/locale_info.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>
#include <vector>

namespace tb_python {
namespace {

constexpr std::size_t kMaxLines = 40;
constexpr int kMaxLinesLooked = 200;
constexpr std::size_t kMaxLineLength = 4096;

bool HasCommaDecimal(std::string_view field) {
    const std::size_t comma = field.find(',');
    return comma != std::string_view::npos && comma > 0 && comma + 1 < field.size() &&
           std::isdigit(static_cast<unsigned char>(field[comma - 1])) &&
           std::isdigit(static_cast<unsigned char>(field[comma + 1]));
}

// Fields as the text reader counts them: a separator ending the line opens no field.
int FieldCount(std::string_view line, char separator) {
    const int count = 1 + static_cast<int>(std::count(line.begin(), line.end(), separator));
    return !line.empty() && line.back() == separator ? count - 1 : count;
}

std::string_view Trimmed(std::string_view line) {
    std::size_t n = line.size();
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t' || line[n - 1] == '\r')) --n;
    return line.substr(0, n);
}

// The first data lines: empty lines and a first line with quotes (titles) left out.
std::vector<std::string> FirstDataLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string raw;
    for (int n = 1; lines.size() < kMaxLines && n <= kMaxLinesLooked && std::getline(in, raw); ++n) {
        std::string_view line = Trimmed(raw);
        if (line.empty() || (n == 1 && line.find('"') != std::string_view::npos)) continue;
        lines.emplace_back(line.substr(0, kMaxLineLength));
    }
    return lines;
}

}  // namespace

TextSymbols DetectTextSymbols(const std::string& path) {
    TextSymbols symbols{TBGetUserListSeparator(), "."};
    const std::vector<std::string> lines = FirstDataLines(path);
    if (lines.empty()) return symbols;
    char chosen = 0;
    for (char candidate : {'\t', ';', ',', ' '}) {
        const int first = FieldCount(lines[0], candidate);
        const bool same = first >= 2 && std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
                              return FieldCount(line, candidate) == first;
                          });
        if (same) {
            chosen = candidate;
            break;
        }
    }
    if (chosen) symbols.separator = CString(chosen);
    if (chosen != ',') {
        const bool comma =
            std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return HasCommaDecimal(l); });
        const bool point = std::any_of(lines.begin(), lines.end(),
                                       [](const std::string& l) { return l.find('.') != std::string::npos; });
        if (comma && !point) symbols.decimal = ",";
    }
    return symbols;
}

}  // namespace tb_python
