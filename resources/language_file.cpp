#include <toolbox/resources/language_file.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Language files hold some hundred texts; anything far larger is no language file.
constexpr off_t kMaxFileSize = 16 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A quoted text with escapes; the closing quote must end the value.
bool Unquote(std::string_view value, std::string& out) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return false;
    out.clear();
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        char c = value[i];
        if (c == '"') return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= value.size()) return false;  // a backslash escaping the closing quote
        switch (value[++i]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: return false;
        }
    }
    return true;
}

bool ParseNumber(std::string_view text, unsigned long limit, unsigned long& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return value <= limit;
}

}  // namespace

std::unique_ptr<CLanguageFile> CLanguageFile::Parse(std::string_view text, CString& error) {
    try {
        std::unique_ptr<CLanguageFile> file(new CLanguageFile);
        enum class Section { None, Language, Strings, Texts, Other } section = Section::None;
        bool ended = false;
        int lineNumber = 0;
        auto fail = [&](const char* what) {
            error.Format("line %d: %s", lineNumber, what);
            return nullptr;
        };
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = Trim(text.substr(pos, end - pos));
            pos = end + 1;
            ++lineNumber;
            if (line.empty() || line.front() == '#') continue;
            if (ended) return fail("text after [end]");
            if (line.find('\0') != std::string_view::npos) return fail("zero byte");
            if (line.front() == '[') {
                if (line == "[language]")
                    section = Section::Language;
                else if (line == "[strings]")
                    section = Section::Strings;
                else if (line == "[texts]")
                    section = Section::Texts;
                else if (line == "[end]")
                    ended = true;
                else if (line.back() == ']')
                    section = Section::Other;
                else
                    return fail("broken section line");
                continue;
            }
            size_t equals = line.find('=');
            if (equals == std::string_view::npos) return fail("line without \"=\"");
            std::string_view key = Trim(line.substr(0, equals));
            std::string_view value = Trim(line.substr(equals + 1));
            if (key.empty()) return fail("empty name");
            switch (section) {
                case Section::None: return fail("entry before the first section");
                case Section::Language:
                    if (key == "name") {
                        file->m_name = CString(value);
                    } else if (key == "id") {
                        unsigned long id = 0;
                        if (!ParseNumber(value, 0xFFFF, id)) return fail("invalid language id");
                        file->m_languageId = static_cast<WORD>(id);
                    }
                    break;
                case Section::Strings: {
                    unsigned long id = 0;
                    std::string unquoted;
                    if (!ParseNumber(key, 0xFFFFFFFFul, id)) return fail("invalid string id");
                    if (!Unquote(value, unquoted)) return fail("invalid quoted text");
                    if (!file->m_strings.emplace(static_cast<UINT>(id), CString(std::move(unquoted))).second)
                        return fail("string id given twice");
                    break;
                }
                case Section::Texts: {
                    std::string unquoted;
                    if (!Unquote(value, unquoted)) return fail("invalid quoted text");
                    if (!file->m_texts.emplace(std::string(key), CString(std::move(unquoted))).second)
                        return fail("text name given twice");
                    break;
                }
                case Section::Other: break;
            }
        }
        if (!ended) {
            error = "the file ends before its [end] line (truncated?)";
            return nullptr;
        }
        if (file->m_name.IsEmpty()) {
            error = "no language name";
            return nullptr;
        }
        return file;
    } catch (const std::bad_alloc&) {
        error = "not enough memory";
        return nullptr;
    }
}

std::unique_ptr<CLanguageFile> CLanguageFile::Load(const char* path, CString& error) {
    if (!path || !*path) {
        error = "no file name";
        return nullptr;
    }
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat s;
    std::string text;
    bool ok = ::fstat(fd, &s) == 0 && S_ISREG(s.st_mode) && s.st_size <= kMaxFileSize;
    if (!ok) error = "not a regular file of reasonable size";
    while (ok) {
        char chunk[65536];
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ok = false;
        } else if (n == 0) {
            break;
        } else if (text.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxFileSize)) {
            error = "file too large";
            ok = false;
        } else {
            text.append(chunk, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (!ok) return nullptr;
    return Parse(text, error);
}

bool CLanguageFile::FindString(UINT id, CString& text) const {
    auto it = m_strings.find(id);
    if (it == m_strings.end()) return false;
    text = it->second;
    return true;
}

bool CLanguageFile::FindText(const char* name, CString& text) const {
    if (!name) return false;
    auto it = m_texts.find(name);
    if (it == m_texts.end()) return false;
    text = it->second;
    return true;
}

CString TBLoadText(const char* name, const char* english) {
    CString text;
    if (auto* file = dynamic_cast<const CLanguageFile*>(&TBGetResourceModule()))
        if (file->FindText(name, text)) return text;
    return CString(english);
}
